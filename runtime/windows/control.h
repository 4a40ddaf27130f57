#pragma once
// The controls of a window: five kinds, each found by its class name, with
// the properties the form uses. The toolkit's own control behind each stays
// inside the window backend.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/windows/native.h"

namespace runtime {

class Window;

// Colours are red + 256 * green + 65536 * blue, or one of the system colours.
inline constexpr long colour_window_text = 33554432;
inline constexpr long colour_button_face = 67108864;
inline constexpr long colour_window = 1073741824;

// What a colour value stands for: a system colour, which each backend paints
// with the toolkit's colour of that role, or red, green and blue.
enum class SystemColour { window_text, button_face, window };
struct Colour {
  std::optional<SystemColour> system;
  int red = 0, green = 0, blue = 0;
};
Colour colour_of(long value);

enum class ControlKind { singlelineedit, multilineedit, statictext, groupbox, commandbutton };

// The kind a class name names; none for a class that does not exist.
std::optional<ControlKind> control_kind(std::string_view class_name);
// The class name of a kind.
const char* class_name(ControlKind kind);

struct Font {
  std::string face = "SimSun";  // 宋体; an installed Song face stands in where it is missing
  int textsize = -9;          // negative: a size in points
  int fontcharset = 134;      // GB2312
  int fontpitch = 2;          // variable
  int weight = 400;
};

struct ControlProperties {
  std::string name;  // "sle_1", "st_3", ...
  std::string kind;  // the class name, which control_create finds the kind by
  int x = 0, y = 0, width = 0, height = 0;  // window units
  int taborder = 0;                         // 0: never takes the focus
  std::string text;                         // GBK
  long textcolor = colour_window_text;
  long backcolor = colour_window;
  Font font;
  int borderstyle = 0;  // 5: lowered
  bool bringtotop = false;
  bool password = false;
  bool vscrollbar = false;
  bool is_default = false;  // Enter activates the button
  bool cancel = false;      // Esc activates the button
  bool focusrectangle = true;
};

// Labels and frames never take the focus, nor a control without a taborder.
bool takes_focus(ControlKind kind, int taborder);

class Control {
 public:
  Control(ControlKind kind, ControlProperties properties, NativeControlPtr native);
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const ControlProperties& properties() const { return properties_; }
  const std::string& name() const { return properties_.name; }
  ControlKind kind() const { return kind_; }

  // The text as GBK bytes; a multi-line edit gives CR LF between lines. A
  // text nobody changed since set_text gives back exactly the bytes it was
  // set to, even bytes that are no valid GBK (they show as "?").
  std::string text() const;
  // False when the text holds a character that GBK cannot represent.
  bool text_is_gbk() const;
  void set_text(std::string_view gbk);

  // The toolkit's control; only the window backend looks inside.
  NativeControl& native() const { return *native_; }

 private:
  ControlKind kind_;
  ControlProperties properties_;
  NativeControlPtr native_;
  std::string text_as_set_;   // GBK, as made or given to set_text
  std::string shown_as_set_;  // the toolkit's text right after it
};

// A new control of the class that `properties.kind` names, placed on the
// window; null when no such class exists.
std::unique_ptr<Control> control_create(Window& parent, const ControlProperties& properties);

// Destroys the control and empties the reference; false (and nothing
// destroyed) when it cannot be destroyed.
bool control_destroy(std::unique_ptr<Control>& control);

// Moves the keyboard focus to the control.
bool setfocus(Control& control);

// Makes `label` the buddy label of `field`, so that assistive technology
// announces the field by its label.
void set_label_for(Control& label, Control& field);

namespace testing {
// Test seams: a class that cannot be found, a control that cannot be
// destroyed (empty name: none).
void hide_control_class(std::string kind);
void fail_control_destroy(std::string name);
}  // namespace testing

}  // namespace runtime
