#include "release/fields.h"

namespace release {
namespace {

using files::ClientConfig;
using files::UpdateDescriptor;

// clang-format off
constexpr Field table[] = {
  // id, control, label control, label, option, gloss,
  //   prefilled, required, database, multiline, secret, preset, config value, descriptor value
  {FieldId::update_url, "sle_1", "st_1", "更新地址：", "update-url", "address of Update.txt on the web server",
     true, true, false, false, false, "", &ClientConfig::URL, nullptr},
  {FieldId::program, "sle_2", "st_4", "程序名称：", "program", "file name of the main program, ending in exe",
     true, true, false, false, false, "", &ClientConfig::ProgramName, nullptr},
  {FieldId::program_version, "sle_6", "st_22", "程序版本：", "program-version", "version the clients have installed, a number",
     true, true, false, false, false, "", &ClientConfig::Version, nullptr},
  {FieldId::dbms, "sle_7", "st_25", "DBMS：", "dbms", "database interface",
     false, false, true, false, false, "MSS Microsoft SQL Server", &ClientConfig::DBMS, nullptr},
  {FieldId::server, "sle_8", "st_26", "服务器名：", "server", "database server name",
     false, false, true, false, false, "(local)", &ClientConfig::ServerName, nullptr},
  {FieldId::database, "sle_9", "st_27", "数据库名：", "database", "database name",
     false, false, true, false, false, "", &ClientConfig::Database, nullptr},
  {FieldId::login, "sle_10", "st_28", "登陆ID：", "login", "database login",
     false, false, true, false, false, "sa", &ClientConfig::LogID, nullptr},
  {FieldId::password, "sle_11", "st_29", "登陆密码：", "password", "database password",
     false, false, true, false, true, "", &ClientConfig::LogPass, nullptr},
  {FieldId::dbparm, "sle_12", "st_30", "DBParm：", "dbparm", "database connection parameters",
     false, false, true, false, false, "", &ClientConfig::DBParm, nullptr},
  {FieldId::latest_version, "sle_4", "st_10", "最新版本：", "latest-version", "version of this release, a number",
     true, true, false, false, false, "", nullptr, &UpdateDescriptor::Version},
  {FieldId::date, "sle_5", "st_12", "更新日期：", "date", "date of this release",
     true, true, false, false, false, "", nullptr, &UpdateDescriptor::Date},
  {FieldId::package_url, "sle_3", "st_8", "升级包下载地址：", "package-url", "address of the update package, a .zip or .rar",
     true, true, false, false, false, "", nullptr, &UpdateDescriptor::URL},
  {FieldId::note, "mle_1", "st_16", "附加说明：", "note", "note on this release",
     true, false, false, true, false, "", nullptr, &UpdateDescriptor::Note},
};
// clang-format on

static_assert(std::size(table) == field_count);

constexpr bool ids_in_order() {
  for (std::size_t i = 0; i < field_count; ++i)
    if (static_cast<std::size_t>(table[i].id) != i) return false;
  return true;
}

}  // namespace

std::span<const Field> fields() { return table; }

const Field& field(FieldId id) {
  static_assert(ids_in_order(), "each field's row stands at its id");
  return table[static_cast<std::size_t>(id)];
}

const Field* field_of_control(std::string_view control) {
  for (const Field& f : table)
    if (control == f.control) return &f;
  return nullptr;
}

const Field* field_labelled_by(std::string_view label_control) {
  for (const Field& f : table)
    if (label_control == f.label_control) return &f;
  return nullptr;
}

std::string label_name(const Field& field) {
  std::string_view label = field.label;
  constexpr std::string_view colon = "：";
  if (label.ends_with(colon)) label.remove_suffix(colon.size());
  return std::string(label);
}

files::ClientConfig client_config(const Values& values) {
  files::ClientConfig config;
  for (const Field& f : table)
    if (f.config_value) config.*f.config_value = values[f.id].text;
  return config;
}

files::UpdateDescriptor update_descriptor(const Values& values) {
  files::UpdateDescriptor descriptor;
  for (const Field& f : table)
    if (f.descriptor_value) descriptor.*f.descriptor_value = values[f.id].text;
  return descriptor;
}

}  // namespace release
