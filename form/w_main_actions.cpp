// The two buttons: generate (cb_1) and exit (cb_2).
#include <string>
#include <vector>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form/input_checks.h"
#include "form/w_main.h"
#include "form/w_main_controls.h"
#include "runtime/file_system.h"
#include "runtime/gbk.h"
#include "runtime/message_box.h"

namespace form {
namespace {

runtime::Control& control_named(w_main& window, const std::string& name) {
  for (const ControlRow& row : w_main_controls()) {
    if (name == row.name) return *(window.*row.member);
  }
  return *window.sle_1;
}

void refuse(runtime::Control& field, const std::string& message) {
  runtime::message_box("", message);
  runtime::setfocus(field);
}

// The first field, in the order of the field map, whose text would reach a
// file but holds a character that GBK cannot represent ("?" on disk).
const FieldLabel* first_field_outside_gbk(w_main& window) {
  const bool config_created = !runtime::file_exists(files::client_config_file);
  for (const FieldLabel& pair : w_main_field_labels()) {
    if (pair.database && !config_created) continue;  // update mode leaves them unwritten
    if (!(window.*pair.field)->text_is_gbk()) return &pair;
  }
  return nullptr;
}

std::string closing_report(const std::string& sle_1_text, const std::string& sle_3_text) {
  return runtime::gbk("生成配置文件成功！\r\n请上传Update.txt到") + sle_1_text +
         runtime::gbk("\r请上传升级包到") + sle_3_text +
         runtime::gbk("\r\n复制文件Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;到您的系统中即可。");
}

}  // namespace

bool w_main::cb_1_clicked() {
  const RequiredFields fields{sle_1->text(), sle_2->text(), sle_6->text(),
                              sle_4->text(), sle_5->text(), sle_3->text()};
  if (const auto failure = first_failed_check(fields)) {
    refuse(control_named(*this, failure->field), failure->message);
    return true;
  }
  if (const FieldLabel* pair = first_field_outside_gbk(*this)) {
    refuse(*(this->*pair->field),
           (this->*pair->label)->text() + runtime::gbk("含有无法保存的字符，请重新输入！"));
    return true;
  }

  std::vector<std::string> not_written;
  if (!of_createconfigfile(!runtime::file_exists(files::client_config_file)))
    not_written.push_back(files::client_config_file);
  if (!of_createupdatefile(!runtime::file_exists(files::update_descriptor_file)))
    not_written.push_back(files::update_descriptor_file);

  if (!not_written.empty()) {
    std::string names;
    for (const std::string& name : not_written) names += (names.empty() ? "" : runtime::gbk("、")) + name;
    runtime::message_box("", runtime::gbk("无法写入") + names + runtime::gbk("，请检查当前目录是否可写！"));
    return true;
  }
  runtime::message_box("", closing_report(sle_1->text(), sle_3->text()));
  return true;
}

bool w_main::cb_2_clicked() { return runtime::window_close(*this); }

}  // namespace form
