#include "form/w_main_controls.h"

#include "release/fields.h"
#include "runtime/text/gbk.h"

namespace form {
namespace {

constexpr long red = 255;
constexpr long blue = 16711680;
constexpr long navy = 8388608;
constexpr long kind_default = 0;
// The edits and their labels show what the field table gives them.
constexpr const char* from_field = nullptr;

#define ROW(member, kind, x, y, w, h, tab, flags, colour, text) \
  ControlRow { &w_main::member, #member, kind, x, y, w, h, tab, flags, colour, text }

using Kind = runtime::ControlKind;
constexpr Kind sle = Kind::singlelineedit;
constexpr Kind mle = Kind::multilineedit;
constexpr Kind st = Kind::statictext;
constexpr Kind gb = Kind::groupbox;
constexpr Kind cb = Kind::commandbutton;

const ControlRow rows[] = {
    ROW(sle_12, sle, 325, 964, 1669, 84, 50, bringtotop, kind_default, from_field),
    ROW(st_30, st, 59, 980, 370, 52, 0, none, kind_default, from_field),
    ROW(sle_11, sle, 1221, 860, 773, 84, 50, bringtotop | password, kind_default, from_field),
    ROW(st_29, st, 960, 880, 370, 52, 0, none, kind_default, from_field),
    ROW(sle_10, sle, 325, 864, 622, 84, 40, bringtotop, kind_default, from_field),
    ROW(st_28, st, 59, 880, 370, 52, 0, none, kind_default, from_field),
    ROW(sle_9, sle, 325, 764, 1669, 84, 70, bringtotop, kind_default, from_field),
    ROW(st_27, st, 59, 784, 370, 52, 0, none, kind_default, from_field),
    ROW(sle_8, sle, 325, 672, 1669, 84, 60, bringtotop, kind_default, from_field),
    ROW(st_26, st, 59, 692, 370, 52, 0, none, kind_default, from_field),
    ROW(sle_7, sle, 325, 580, 1669, 84, 50, bringtotop, kind_default, from_field),
    ROW(st_25, st, 59, 600, 370, 52, 0, none, kind_default, from_field),
    ROW(st_24, st, 55, 512, 1111, 52, 0, none, blue, "主程序数据库连接配置（用于更新数据库）："),
    ROW(st_23, st, 2382, 520, 1664, 116, 0, none, kind_default,
        "如果压缩包中存在UpdateSQL.txt那么将在更新完程序后自动执行该文件中的SQl语句！"),
    ROW(st_22, st, 55, 416, 370, 52, 0, none, kind_default, from_field),
    ROW(st_21, st, 750, 412, 50, 48, 0, none, red, "*"),
    ROW(st_20, st, 795, 412, 1207, 52, 0, none, kind_default, "说明：发布时的程序版本，必须是数字。"),
    ROW(st_19, st, 2277, 1024, 1906, 64, 0, none, kind_default,
        "客户端需要文件包括：Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;"),
    ROW(st_18, st, 2277, 968, 1879, 64, 0, none, kind_default,
        "您只需把Update.txt文件和您的更新包文件上传到WEB网站中即可。"),
    ROW(st_17, st, 2112, 912, 1879, 64, 0, none, kind_default,
        "说明：本更新系统是基于HTTP的，所以您的更新包下载地址必须是HTTP地址。"),
    ROW(cb_2, cb, 3785, 1148, 416, 96, 50, cancel_button, kind_default, "退出(&X)"),
    ROW(cb_1, cb, 3346, 1148, 416, 96, 40, default_button, kind_default, "生成配置文件"),
    ROW(mle_1, mle, 2382, 648, 1664, 148, 50, vscrollbar, kind_default, from_field),
    ROW(st_16, st, 2112, 656, 288, 56, 0, none, kind_default, from_field),
    ROW(st_15, st, 4055, 296, 50, 48, 0, none, red, "*"),
    ROW(st_14, st, 2807, 196, 50, 48, 0, none, red, "*"),
    ROW(st_13, st, 2843, 196, 1280, 48, 0, bringtotop, kind_default, "说明：新版本的更新日期。"),
    ROW(sle_5, sle, 2382, 180, 416, 84, 40, bringtotop, kind_default, from_field),
    ROW(st_12, st, 2112, 196, 293, 48, 0, none, kind_default, from_field),
    ROW(st_11, st, 2807, 100, 50, 48, 0, none, red, "*"),
    ROW(st_10, st, 2112, 100, 293, 48, 0, none, kind_default, from_field),
    ROW(st_8, st, 2112, 280, 270, 132, 0, none, kind_default, from_field),
    ROW(st_7, st, 2382, 380, 1733, 116, 0, none, kind_default,
        "说明：升级包为单一压缩文件，更新后将直接解压到当前目录更新文件。格式必须以http://开头,必须是rar或者zip文件。"),
    ROW(st_6, st, 795, 312, 1221, 48, 0, none, kind_default, "说明：更新完要执行的程序，系统的主EXE文件名。"),
    ROW(st_5, st, 750, 312, 50, 48, 0, none, red, "*"),
    ROW(sle_2, sle, 325, 296, 416, 84, 30, none, kind_default, from_field),
    ROW(st_4, st, 55, 312, 288, 52, 0, none, kind_default, from_field),
    ROW(st_3, st, 325, 180, 1705, 108, 0, none, kind_default,
        "说明：放更新配置文件（存储程序最新版本和更新包下载地址的文件）的网址。格式必须以http://开头。"),
    ROW(st_2, st, 1998, 96, 50, 48, 0, none, red, "*"),
    ROW(sle_1, sle, 325, 80, 1664, 84, 20, none, kind_default, from_field),
    ROW(st_1, st, 55, 100, 293, 48, 0, none, kind_default, from_field),
    ROW(gb_1, gb, 23, 16, 2034, 1088, 10, none, navy,
        "STEP1(设置更新地址和主程序文件UpdateConfig.ini，客户端用):"),
    ROW(gb_2, gb, 2080, 16, 2126, 812, 20, none, navy,
        "STEP2(设置更新配置文件Update.txt，上传到服务器上):"),
    ROW(sle_3, sle, 2382, 280, 1664, 84, 40, bringtotop, kind_default, from_field),
    ROW(sle_4, sle, 2382, 80, 416, 84, 30, bringtotop, kind_default, from_field),
    ROW(st_9, st, 2843, 100, 1312, 48, 0, bringtotop, kind_default, "说明：版本必须使用数字表示法，例如 2.22 。"),
    ROW(gb_3, gb, 2080, 840, 2126, 264, 30, none, navy, "STEP3(发布程序和上传文件):"),
    ROW(sle_6, sle, 325, 396, 416, 84, 40, bringtotop, kind_default, from_field),
};

#undef ROW

// A field's edit shows its preset; a field's label, the field's label.
const char* row_text(const ControlRow& row) {
  if (row.text) return row.text;
  if (const release::Field* field = release::field_of_control(row.name)) return field->preset;
  if (const release::Field* field = release::field_labelled_by(row.name)) return field->label;
  return "";
}

}  // namespace

std::span<const ControlRow> w_main_controls() { return rows; }

ControlRef w_main::*control_member(std::string_view name) {
  for (const ControlRow& row : rows)
    if (name == row.name) return row.member;
  return nullptr;
}

runtime::ControlProperties control_properties(const ControlRow& row) {
  runtime::ControlProperties p;
  p.name = row.name;
  p.kind = runtime::class_name(row.kind);
  p.x = row.x;
  p.y = row.y;
  p.width = row.width;
  p.height = row.height;
  p.taborder = row.taborder;
  p.text = runtime::gbk(row_text(row));
  p.bringtotop = row.flags & bringtotop;
  p.password = row.flags & password;
  p.vscrollbar = row.flags & vscrollbar;
  p.is_default = row.flags & default_button;
  p.cancel = row.flags & cancel_button;

  if (row.kind == sle || row.kind == mle) {
    p.borderstyle = 5;
    p.backcolor = runtime::colour_window;
  } else if (row.kind == st || row.kind == gb) {
    p.backcolor = runtime::colour_button_face;
    p.focusrectangle = false;
  }
  if (row.kind == gb) p.font.weight = 700;
  p.textcolor = row.textcolor != kind_default ? row.textcolor : runtime::colour_window_text;
  return p;
}

}  // namespace form
