#include "support/expected_form.h"

#include <stdexcept>
#include <string>

namespace expected_form {
namespace {

constexpr const char* sle = "singlelineedit";
constexpr const char* mle = "multilineedit";
constexpr const char* st = "statictext";
constexpr const char* gb = "groupbox";
constexpr const char* cb = "commandbutton";

const Control rows[] = {
    {"sle_12", sle, 1, 325, 964, 1669, 84, 50, bringtotop, window_text, ""},
    {"st_30", st, 1, 59, 980, 370, 52, 0, none, window_text, "DBParm："},
    {"sle_11", sle, 1, 1221, 860, 773, 84, 50, bringtotop | password, window_text, ""},
    {"st_29", st, 1, 960, 880, 370, 52, 0, none, window_text, "登陆密码："},
    {"sle_10", sle, 1, 325, 864, 622, 84, 40, bringtotop, window_text, "sa"},
    {"st_28", st, 1, 59, 880, 370, 52, 0, none, window_text, "登陆ID："},
    {"sle_9", sle, 1, 325, 764, 1669, 84, 70, bringtotop, window_text, ""},
    {"st_27", st, 1, 59, 784, 370, 52, 0, none, window_text, "数据库名："},
    {"sle_8", sle, 1, 325, 672, 1669, 84, 60, bringtotop, window_text, "(local)"},
    {"st_26", st, 1, 59, 692, 370, 52, 0, none, window_text, "服务器名："},
    {"sle_7", sle, 1, 325, 580, 1669, 84, 50, bringtotop, window_text, "MSS Microsoft SQL Server"},
    {"st_25", st, 1, 59, 600, 370, 52, 0, none, window_text, "DBMS："},
    {"st_24", st, 1, 55, 512, 1111, 52, 0, none, blue, "主程序数据库连接配置（用于更新数据库）："},
    {"st_23", st, 2, 2382, 520, 1664, 116, 0, none, window_text,
     "如果压缩包中存在UpdateSQL.txt那么将在更新完程序后自动执行该文件中的SQl语句！"},
    {"st_22", st, 1, 55, 416, 370, 52, 0, none, window_text, "程序版本："},
    {"st_21", st, 1, 750, 412, 50, 48, 0, none, red, "*"},
    {"st_20", st, 1, 795, 412, 1207, 52, 0, none, window_text, "说明：发布时的程序版本，必须是数字。"},
    {"st_19", st, 3, 2277, 1024, 1906, 64, 0, none, window_text,
     "客户端需要文件包括：Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;"},
    {"st_18", st, 3, 2277, 968, 1879, 64, 0, none, window_text,
     "您只需把Update.txt文件和您的更新包文件上传到WEB网站中即可。"},
    {"st_17", st, 3, 2112, 912, 1879, 64, 0, none, window_text,
     "说明：本更新系统是基于HTTP的，所以您的更新包下载地址必须是HTTP地址。"},
    {"cb_2", cb, 0, 3785, 1148, 416, 96, 50, cancel_button, system_colours, "退出(&X)"},
    {"cb_1", cb, 0, 3346, 1148, 416, 96, 40, default_button, system_colours, "生成配置文件"},
    {"mle_1", mle, 2, 2382, 648, 1664, 148, 50, vscrollbar, window_text, ""},
    {"st_16", st, 2, 2112, 656, 288, 56, 0, none, window_text, "附加说明："},
    {"st_15", st, 2, 4055, 296, 50, 48, 0, none, red, "*"},
    {"st_14", st, 2, 2807, 196, 50, 48, 0, none, red, "*"},
    {"st_13", st, 2, 2843, 196, 1280, 48, 0, bringtotop, window_text, "说明：新版本的更新日期。"},
    {"sle_5", sle, 2, 2382, 180, 416, 84, 40, bringtotop, window_text, ""},
    {"st_12", st, 2, 2112, 196, 293, 48, 0, none, window_text, "更新日期："},
    {"st_11", st, 2, 2807, 100, 50, 48, 0, none, red, "*"},
    {"st_10", st, 2, 2112, 100, 293, 48, 0, none, window_text, "最新版本："},
    {"st_8", st, 2, 2112, 280, 270, 132, 0, none, window_text, "升级包下载地址："},
    {"st_7", st, 2, 2382, 380, 1733, 116, 0, none, window_text,
     "说明：升级包为单一压缩文件，更新后将直接解压到当前目录更新文件。格式必须以http://开头,必须是rar或者zip文件。"},
    {"st_6", st, 1, 795, 312, 1221, 48, 0, none, window_text, "说明：更新完要执行的程序，系统的主EXE文件名。"},
    {"st_5", st, 1, 750, 312, 50, 48, 0, none, red, "*"},
    {"sle_2", sle, 1, 325, 296, 416, 84, 30, none, window_text, ""},
    {"st_4", st, 1, 55, 312, 288, 52, 0, none, window_text, "程序名称："},
    {"st_3", st, 1, 325, 180, 1705, 108, 0, none, window_text,
     "说明：放更新配置文件（存储程序最新版本和更新包下载地址的文件）的网址。格式必须以http://开头。"},
    {"st_2", st, 1, 1998, 96, 50, 48, 0, none, red, "*"},
    {"sle_1", sle, 1, 325, 80, 1664, 84, 20, none, window_text, ""},
    {"st_1", st, 1, 55, 100, 293, 48, 0, none, window_text, "更新地址："},
    {"gb_1", gb, 1, 23, 16, 2034, 1088, 10, none, navy, "STEP1(设置更新地址和主程序文件UpdateConfig.ini，客户端用):"},
    {"gb_2", gb, 2, 2080, 16, 2126, 812, 20, none, navy, "STEP2(设置更新配置文件Update.txt，上传到服务器上):"},
    {"sle_3", sle, 2, 2382, 280, 1664, 84, 40, bringtotop, window_text, ""},
    {"sle_4", sle, 2, 2382, 80, 416, 84, 30, bringtotop, window_text, ""},
    {"st_9", st, 2, 2843, 100, 1312, 48, 0, bringtotop, window_text, "说明：版本必须使用数字表示法，例如 2.22 。"},
    {"gb_3", gb, 3, 2080, 840, 2126, 264, 30, none, navy, "STEP3(发布程序和上传文件):"},
    {"sle_6", sle, 1, 325, 396, 416, 84, 40, bringtotop, window_text, ""},
};

// Edits and buttons by taborder; where taborders tie, in array order.
const char* const tab_stops[] = {
    "sle_1", "sle_2", "sle_4",  "sle_10", "cb_1", "sle_5",  "sle_3", "sle_6",
    "sle_12", "sle_11", "sle_7", "cb_2", "mle_1", "sle_8", "sle_9",
};

// The bringtotop controls above the others; within each, in array order.
const char* const stacking[] = {
    "sle_12", "sle_11", "sle_10", "sle_9", "sle_8", "sle_7", "st_13", "sle_5", "sle_3", "sle_4",
    "st_9",   "sle_6",
    "st_30",  "st_29",  "st_28",  "st_27", "st_26", "st_25", "st_24", "st_23", "st_22", "st_21",
    "st_20",  "st_19",  "st_18",  "st_17", "cb_2",  "cb_1",  "mle_1", "st_16", "st_15", "st_14",
    "st_12",  "st_11",  "st_10",  "st_8",  "st_7",  "st_6",  "st_5",  "sle_2", "st_4",  "st_3",
    "st_2",   "sle_1",  "st_1",   "gb_1",  "gb_2",  "gb_3",
};

const FieldLabel labels[] = {
    {"sle_1", "st_1"},   {"sle_2", "st_4"},   {"sle_6", "st_22"},  {"sle_7", "st_25"}, {"sle_8", "st_26"},
    {"sle_9", "st_27"},  {"sle_10", "st_28"}, {"sle_11", "st_29"}, {"sle_12", "st_30"}, {"sle_4", "st_10"},
    {"sle_5", "st_12"},  {"sle_3", "st_8"},   {"mle_1", "st_16"},
};

}  // namespace

std::span<const Control> controls() { return rows; }

const Control& control(std::string_view name) {
  for (const Control& row : rows) {
    if (name == row.name) return row;
  }
  throw std::out_of_range("no control " + std::string(name));
}

bool is_edit(const Control& control) {
  const std::string_view kind = control.kind;
  return kind == "singlelineedit" || kind == "multilineedit";
}

std::span<const char* const> tab_chain() { return tab_stops; }
std::span<const char* const> top_to_bottom() { return stacking; }
std::span<const FieldLabel> field_labels() { return labels; }

}  // namespace expected_form
