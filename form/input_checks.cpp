#include "form/input_checks.h"

#include "runtime/gbk.h"
#include "runtime/strings.h"

namespace form {
namespace {

using runtime::string_left;
using runtime::string_lower;
using runtime::string_right;
using runtime::string_trim;

// The tests work on copies; "lowered" is the trimmed text in small letters.
std::string lowered(const std::string& text) { return string_lower(string_trim(text)); }

bool is_empty(const std::string& text) { return text.empty(); }
bool not_http(const std::string& text) { return string_left(lowered(text), 7) != "http://"; }
bool not_exe(const std::string& text) { return string_right(lowered(text), 3) != "exe"; }
bool not_number(const std::string& text) { return !runtime::string_is_number(string_trim(text)); }
bool not_archive(const std::string& text) {
  const std::string ending = string_right(lowered(text), 3);
  return ending != "rar" && ending != "zip";
}

struct Check {
  std::string RequiredFields::*text;
  const char* field;
  bool (*fails)(const std::string&);
  const char* message_utf8;
};

const Check checks[] = {
    {&RequiredFields::sle_1, "sle_1", is_empty, "请输入更新地址！"},
    {&RequiredFields::sle_1, "sle_1", not_http, "更新地址格式错误，请重新输入！"},
    {&RequiredFields::sle_2, "sle_2", is_empty, "请输入程序名称！"},
    {&RequiredFields::sle_2, "sle_2", not_exe, "程序名称必须为可执行文件，请重新输入！"},
    {&RequiredFields::sle_6, "sle_6", is_empty, "请输入程序版本！"},
    {&RequiredFields::sle_6, "sle_6", not_number, "程序版本必须为数字，请重新输入！"},
    {&RequiredFields::sle_4, "sle_4", is_empty, "请输入最新版本！"},
    {&RequiredFields::sle_4, "sle_4", not_number, "最新版本必须为数字，请重新输入！"},
    {&RequiredFields::sle_5, "sle_5", is_empty, "请输入更新日期！"},
    {&RequiredFields::sle_3, "sle_3", is_empty, "请输入升级包下载地址！"},
    {&RequiredFields::sle_3, "sle_3", not_http, "升级包下载地址格式错误，请重新输入！"},
    {&RequiredFields::sle_3, "sle_3", not_archive, "升级包必须是压缩文件，请重新输入！"},
};

}  // namespace

std::optional<CheckFailure> first_failed_check(const RequiredFields& fields) {
  int step = 0;
  for (const Check& check : checks) {
    ++step;
    if (check.fails(fields.*check.text)) {
      return CheckFailure{step, check.field, runtime::gbk(check.message_utf8)};
    }
  }
  return std::nullopt;
}

}  // namespace form
