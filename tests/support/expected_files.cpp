#include "support/expected_files.h"

#include <initializer_list>

#include "runtime/text/gbk.h"

namespace expected_files {
namespace {

std::string gbk_lines(std::initializer_list<std::string> utf8_lines) {
  std::string text;
  for (const std::string& line : utf8_lines) text += runtime::gbk(line) + "\r\n";
  return text;
}

}  // namespace

std::string created_config(const Config& v) {
  return gbk_lines({
      "[Main]",
      ";主应用程序名称",
      "ProgramName=" + v.program,
      "[Update]",
      ";是否每次打开都自动升级0否1是",
      "AutoUpdate=1",
      ";更新用配置文件地址",
      "URL=" + v.url,
      ";当前程序版本",
      "Version=" + v.version,
      ";最后一次更新日期",
      "LastUpdate=" + v.last_update,
      "[Database]",
      "DBMS=" + v.dbms,
      "ServerName=" + v.server,
      "Database=" + v.database,
      "LogID=" + v.login,
      "LogPass=" + v.password,
      "DBParm=" + v.parameters,
  });
}

std::string created_descriptor(const Descriptor& v) {
  return gbk_lines({"[Update]", "Version=" + v.version, "Date=" + v.date, "URL=" + v.url, "Note=" + v.note});
}

std::string closing_report_utf8(const std::string& sle_1, const std::string& sle_3, const char* line_break) {
  const std::string first = line_break ? line_break : "\r\n";
  const std::string second = line_break ? line_break : "\r";
  return report_opening + first + "请上传Update.txt到" + sle_1 + second + "请上传升级包到" + sle_3 + first +
         "复制文件Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;到您的系统中即可。";
}

std::string closing_report(const std::string& sle_1, const std::string& sle_3) {
  return runtime::gbk(closing_report_utf8(sle_1, sle_3));
}

}  // namespace expected_files
