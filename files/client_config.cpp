#include "files/client_config.h"

#include "runtime/text/datetime.h"

namespace files {
namespace {

constexpr char main_section[] = "Main";
constexpr char update_section[] = "Update";
constexpr char database_section[] = "Database";

std::string automatic_update() { return "1"; }

// The time of writing: the date is read first, the time second.
std::string last_update_now() {
  const runtime::Date today = runtime::date_today();
  const runtime::Time now = runtime::time_now();
  return runtime::datetime_format(today, "yyyy-mm-dd") + runtime::datetime_format(now, " hh:mm:ss");
}

using C = ClientConfig;
using enum OnUpdate;

// clang-format off
constexpr Key<ClientConfig> keys[] = {
  // section, name, value, made, comment, update mode
  {main_section, "ProgramName", &C::ProgramName, nullptr, ";主应用程序名称", write},
  {update_section, "AutoUpdate", nullptr, automatic_update, ";是否每次打开都自动升级0否1是", add_if_absent},
  {update_section, "URL", &C::URL, nullptr, ";更新用配置文件地址", write},
  {update_section, "Version", &C::Version, nullptr, ";当前程序版本", write},
  {update_section, "LastUpdate", nullptr, last_update_now, ";最后一次更新日期", add_if_absent},
  {database_section, "DBMS", &C::DBMS, nullptr, nullptr, leave},
  {database_section, "ServerName", &C::ServerName, nullptr, nullptr, leave},
  {database_section, "Database", &C::Database, nullptr, nullptr, leave},
  {database_section, "LogID", &C::LogID, nullptr, nullptr, leave},
  {database_section, "LogPass", &C::LogPass, nullptr, nullptr, leave},
  {database_section, "DBParm", &C::DBParm, nullptr, nullptr, leave},
};
// clang-format on

}  // namespace

std::span<const Key<ClientConfig>> client_config_keys() { return keys; }

bool write_client_config(const ClientConfig& config, bool create) {
  return write_values(client_config_file, create, client_config_keys(), config);
}

std::optional<std::string> client_config_content(const ClientConfig& config, bool create) {
  return content_of_values(client_config_file, create, client_config_keys(), config);
}

ClientConfig read_client_config(std::string_view content) { return read_values(client_config_keys(), content); }

}  // namespace files
