#include "files/client_config.h"

#include "files/file_modes.h"
#include "runtime/text/datetime.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace files {
namespace {

using runtime::string_trim;

// The time of writing: the date is read first, the time second.
std::string last_update_now() {
  const runtime::Date today = runtime::date_today();
  const runtime::Time now = runtime::time_now();
  return runtime::datetime_format(today, "yyyy-mm-dd") + runtime::datetime_format(now, " hh:mm:ss");
}

// One line of the created file: fixed text, then a value formed when the line
// is written (none for headers, comments and fixed lines).
struct Line {
  const char* text_utf8;
  std::string (*value)(const ClientConfig&);
};

const Line create_lines[] = {
    {"[Main]", nullptr},
    {";主应用程序名称", nullptr},
    {"ProgramName=", [](const ClientConfig& c) { return string_trim(c.ProgramName); }},
    {"[Update]", nullptr},
    {";是否每次打开都自动升级0否1是", nullptr},
    {"AutoUpdate=1", nullptr},
    {";更新用配置文件地址", nullptr},
    {"URL=", [](const ClientConfig& c) { return string_trim(c.URL); }},
    {";当前程序版本", nullptr},
    {"Version=", [](const ClientConfig& c) { return string_trim(c.Version); }},
    {";最后一次更新日期", nullptr},
    {"LastUpdate=", [](const ClientConfig&) { return last_update_now(); }},
    {"[Database]", nullptr},
    {"DBMS=", [](const ClientConfig& c) { return string_trim(c.DBMS); }},
    {"ServerName=", [](const ClientConfig& c) { return string_trim(c.ServerName); }},
    {"Database=", [](const ClientConfig& c) { return string_trim(c.Database); }},
    {"LogID=", [](const ClientConfig& c) { return string_trim(c.LogID); }},
    {"LogPass=", [](const ClientConfig& c) { return string_trim(c.LogPass); }},
    {"DBParm=", [](const ClientConfig& c) { return string_trim(c.DBParm); }},
};

// The created file's lines, each value taken (and LastUpdate formed) just
// before its line is handed on.
CreatedLines created_lines(const ClientConfig& config) {
  return [&config](const LineEmitter& emit) {
    for (const Line& line : create_lines) {
      std::string text = runtime::gbk(line.text_utf8);
      if (line.value) text += line.value(config);
      emit(text);
    }
  };
}

// Update mode's reads and writes, in their order, on the file's content.
void update_keys(const ClientConfig& config, runtime::ProfileText& file) {
  const std::string ls_null = "#ERROR";
  file.write("Main", "ProgramName", string_trim(config.ProgramName));

  std::string ls_value = file.read("Update", "AutoUpdate", ls_null);
  if (ls_value == ls_null) file.write("Update", "AutoUpdate", "1");

  file.write("Update", "URL", string_trim(config.URL));
  file.write("Update", "Version", string_trim(config.Version));

  ls_value = file.read("Update", "LastUpdate", ls_null);
  if (ls_value == ls_null) file.write("Update", "LastUpdate", last_update_now());
}

runtime::ProfileEdits update_edits(const ClientConfig& config) {
  return [&config](runtime::ProfileText& file) { update_keys(config, file); };
}

}  // namespace

bool write_client_config(const ClientConfig& config, bool create) {
  return write_file(client_config_file, create, created_lines(config), update_edits(config));
}

std::optional<std::string> client_config_content(const ClientConfig& config, bool create) {
  return file_content(client_config_file, create, created_lines(config), update_edits(config));
}

}  // namespace files
