#include "runtime/windows/control.h"

#include "runtime/text/gbk.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/window.h"

namespace runtime {
namespace {

std::string hidden_class;
std::string undestroyable_control;

}  // namespace

// The toolkit made the control showing its text.
Control::Control(ControlProperties properties, NativeControlPtr native)
    : properties_(std::move(properties)),
      native_(std::move(native)),
      text_as_set_(properties_.text),
      shown_as_set_(toolkit::control_text(*native_)) {}

Control::~Control() = default;

std::string Control::text() const {
  const std::string shown = toolkit::control_text(*native_);
  if (shown == shown_as_set_) return text_as_set_;
  return gbk_from_utf8(shown).text;
}

bool Control::text_is_gbk() const {
  const std::string shown = toolkit::control_text(*native_);
  return shown == shown_as_set_ || gbk_from_utf8(shown).complete;
}

void Control::set_text(std::string_view gbk) {
  toolkit::control_set_text(*native_, utf8_from_gbk(gbk).text);
  text_as_set_ = std::string(gbk);
  shown_as_set_ = toolkit::control_text(*native_);
}

bool takes_focus(const ControlProperties& properties) {
  return properties.taborder > 0 && properties.kind != "statictext" && properties.kind != "groupbox";
}

std::unique_ptr<Control> control_create(Window& parent, const ControlProperties& properties) {
  if (properties.kind == hidden_class) return nullptr;
  NativeControlPtr native = toolkit::control_create(parent, properties);
  if (!native) return nullptr;
  return std::make_unique<Control>(properties, std::move(native));
}

bool control_destroy(std::unique_ptr<Control>& control) {
  if (!control) return true;
  if (!undestroyable_control.empty() && control->name() == undestroyable_control) return false;
  control.reset();
  return true;
}

bool setfocus(Control& control) { return toolkit::control_focus(control.native()); }

void set_label_for(Control& label, Control& field) {
  toolkit::control_set_label_for(label.native(), field.native());
}

namespace testing {
void hide_control_class(std::string kind) { hidden_class = std::move(kind); }
void fail_control_destroy(std::string name) { undestroyable_control = std::move(name); }
}  // namespace testing

}  // namespace runtime
