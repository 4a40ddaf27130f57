#include "support/check_steps.h"

#include <stdexcept>
#include <string>

namespace check_steps {
namespace {

const Step rows[] = {
    {1, "sle_1", "", "请输入更新地址！"},
    {2, "sle_1", "ftp://example.com/Update.txt", "更新地址格式错误，请重新输入！"},
    {3, "sle_2", "", "请输入程序名称！"},
    {4, "sle_2", "Sales.com", "程序名称必须为可执行文件，请重新输入！"},
    {5, "sle_6", "", "请输入程序版本！"},
    {6, "sle_6", "1.5a", "程序版本必须为数字，请重新输入！"},
    {7, "sle_4", "", "请输入最新版本！"},
    {8, "sle_4", "2,22", "最新版本必须为数字，请重新输入！"},
    {9, "sle_5", "", "请输入更新日期！"},
    {10, "sle_3", "", "请输入升级包下载地址！"},
    {11, "sle_3", "www.example.com/sales.rar", "升级包下载地址格式错误，请重新输入！"},
    {12, "sle_3", "http://example.com/sales.7z", "升级包必须是压缩文件，请重新输入！"},
};

const char* const order[] = {"sle_1", "sle_2", "sle_6", "sle_4", "sle_5", "sle_3"};

struct Valid {
  const char* field;
  const char* text;
};
const Valid valid[] = {
    {"sle_1", "http://example.com/update/Update.txt"}, {"sle_2", "Sales.exe"}, {"sle_6", "1.5"},
    {"sle_4", "2.22"}, {"sle_5", "2024-03-02"}, {"sle_3", "http://example.com/update/sales.rar"},
};

}  // namespace

std::span<const Step> steps() { return rows; }

std::span<const char* const> required_fields() { return order; }

const char* valid_text(std::string_view field) {
  for (const Valid& v : valid) {
    if (field == v.field) return v.text;
  }
  throw std::out_of_range("no required field " + std::string(field));
}

}  // namespace check_steps
