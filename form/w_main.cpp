#include "form/w_main.h"

#include "form/w_main_controls.h"
#include "runtime/text/gbk.h"

namespace form {
namespace {

runtime::WindowProperties w_main_properties() {
  runtime::WindowProperties p;
  p.width = 4247;
  p.height = 1384;
  p.title = runtime::gbk("Wrenlet配置程序(作者：Kestrel开发组)");
  p.center = true;
  p.titlebar = true;
  p.controlmenu = true;
  p.minbox = true;
  p.maxbox = false;
  p.resizable = false;
  p.backcolor = runtime::colour_button_face;
  p.icon = "AppIcon!";
  return p;
}

}  // namespace

w_main::w_main() : runtime::Window(w_main_properties()) {}

w_main::~w_main() {
  // Controls go before the window that displays them.
  for (const ControlRow& row : w_main_controls()) (this->*row.member).reset();
}

runtime::WindowHandlers getVtableInfo_w_main(w_main& window) {
  runtime::WindowHandlers handlers;
  handlers.create = [&window] { return window.create(); };
  handlers.open = [&window] { return window.open(); };
  handlers.destroy = [&window] { return window.destroy(); };
  handlers.clicked["cb_1"] = [&window] { return window.cb_1_clicked(); };
  handlers.clicked["cb_2"] = [&window] { return window.cb_2_clicked(); };
  return handlers;
}

runtime::WindowHandlers w_main::handler_table() { return getVtableInfo_w_main(*this); }

bool w_main::create() {
  for (const ControlRow& row : w_main_controls()) {
    ControlRef control = runtime::control_create(*this, control_properties(row));
    if (!control) return false;  // a class that cannot be found stops construction
    this->*row.member = std::move(control);
  }
  for (const release::Field& field : release::fields())
    runtime::set_label_for(*(this->*control_member(field.label_control)), field_control(field.id));

  std::vector<runtime::Control*> controls;
  for (const ControlRow& row : w_main_controls()) controls.push_back((this->*row.member).get());
  control = std::move(controls);
  return true;
}

bool w_main::destroy() {
  for (const ControlRow& row : w_main_controls()) {
    if (!runtime::control_destroy(this->*row.member)) return false;
  }
  return true;
}

}  // namespace form
