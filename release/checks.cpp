#include "release/checks.h"

#include "release/addresses.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

// Each test looks at the text exactly as typed; the ones that judge an
// address or a name read it as `comparable` gives it.
bool is_empty(const std::string& text) { return text.empty(); }
bool not_http(const std::string& text) { return !is_http_address(text); }
bool not_exe(const std::string& text) { return !comparable(text).ends_with("exe"); }
bool not_number(const std::string& text) { return !runtime::string_is_number(runtime::string_trim(text)); }
bool not_archive(const std::string& text) { return archive_kind(text).empty(); }

struct Check {
  FieldId field;
  bool (*fails)(const std::string&);
  const char* message_utf8;
};

const Check checks[] = {
    {FieldId::update_url, is_empty, "请输入更新地址！"},
    {FieldId::update_url, not_http, "更新地址格式错误，请重新输入！"},
    {FieldId::program, is_empty, "请输入程序名称！"},
    {FieldId::program, not_exe, "程序名称必须为可执行文件，请重新输入！"},
    {FieldId::program_version, is_empty, "请输入程序版本！"},
    {FieldId::program_version, not_number, "程序版本必须为数字，请重新输入！"},
    {FieldId::latest_version, is_empty, "请输入最新版本！"},
    {FieldId::latest_version, not_number, "最新版本必须为数字，请重新输入！"},
    {FieldId::date, is_empty, "请输入更新日期！"},
    {FieldId::package_url, is_empty, "请输入升级包下载地址！"},
    {FieldId::package_url, not_http, "升级包下载地址格式错误，请重新输入！"},
    {FieldId::package_url, not_archive, "升级包必须是压缩文件，请重新输入！"},
};

constexpr int gbk_step = static_cast<int>(std::size(checks)) + 1;

}  // namespace

std::optional<CheckFailure> first_failed_check(const Values& values) {
  int step = 0;
  for (const Check& check : checks) {
    ++step;
    if (check.fails(values[check.field].text)) {
      return CheckFailure{step, check.field, runtime::gbk(check.message_utf8)};
    }
  }
  return std::nullopt;
}

std::optional<CheckFailure> first_field_outside_gbk(const Values& values, bool config_created) {
  for (const Field& f : fields()) {
    if (f.database && !config_created) continue;
    if (!values[f.id].gbk) {
      return CheckFailure{gbk_step, f.id, outside_gbk_message(f)};
    }
  }
  return std::nullopt;
}

std::string outside_gbk_message(const Field& field) {
  return runtime::gbk(field.label) + runtime::gbk("含有无法保存的字符，请重新输入！");
}

}  // namespace release
