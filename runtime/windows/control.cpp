#include "runtime/windows/control.h"

#include <iterator>

#include "runtime/text/gbk.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/window.h"

namespace runtime {
namespace {

// The class name of each kind, in ControlKind's order.
constexpr const char* class_names[] = {"singlelineedit", "multilineedit", "statictext", "groupbox", "commandbutton"};
// The system colours' values, in SystemColour's order.
constexpr long system_colours[] = {colour_window_text, colour_button_face, colour_window};

std::string hidden_class;
std::string undestroyable_control;

}  // namespace

Colour colour_of(long value) {
  for (std::size_t i = 0; i < std::size(system_colours); ++i)
    if (value == system_colours[i]) return {static_cast<SystemColour>(i)};
  return {std::nullopt, static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
          static_cast<int>((value >> 16) & 0xFF)};
}

std::optional<ControlKind> control_kind(std::string_view class_name) {
  if (class_name == hidden_class) return std::nullopt;
  for (std::size_t i = 0; i < std::size(class_names); ++i)
    if (class_name == class_names[i]) return static_cast<ControlKind>(i);
  return std::nullopt;
}

const char* class_name(ControlKind kind) { return class_names[static_cast<std::size_t>(kind)]; }

// The toolkit made the control showing its text.
Control::Control(ControlKind kind, ControlProperties properties, NativeControlPtr native)
    : kind_(kind),
      properties_(std::move(properties)),
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

bool takes_focus(ControlKind kind, int taborder) {
  return taborder > 0 && kind != ControlKind::statictext && kind != ControlKind::groupbox;
}

std::unique_ptr<Control> control_create(Window& parent, const ControlProperties& properties) {
  const std::optional<ControlKind> kind = control_kind(properties.kind);
  if (!kind) return nullptr;
  NativeControlPtr native = toolkit::control_create(parent, *kind, properties);
  if (!native) return nullptr;
  return std::make_unique<Control>(*kind, properties, std::move(native));
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
