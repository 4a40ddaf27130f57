#pragma once
// What w_main must be, written down once for every test of the form, on any
// window toolkit: its 48 controls in construction order, the Tab chain and
// the stacking order. Plain data; texts are UTF-8, places in window units.
#include <span>
#include <string_view>

namespace expected_form {

enum Flag : unsigned {
  none = 0,
  bringtotop = 1u << 0,
  password = 1u << 1,
  vscrollbar = 1u << 2,
  default_button = 1u << 3,  // Enter presses it
  cancel_button = 1u << 4,   // Esc presses it
};

inline constexpr long window_text = 33554432;  // the system's window-text colour
inline constexpr long red = 255;
inline constexpr long blue = 16711680;
inline constexpr long navy = 8388608;
inline constexpr long system_colours = -1;  // buttons keep the system's own

struct Control {
  const char* name;
  const char* kind;  // class name: "singlelineedit", "statictext", ...
  int step;          // the group box around it, 1 to 3; 0 outside all
  int x, y, width, height;
  int taborder;  // 0: never in the Tab chain
  unsigned flags;
  long textcolor;
  const char* text;  // as displayed; empty for edits without a preset
};

// The outer size of the window, frame and title bar included, in window
// units; and in pixels at 96 dpi (widths * 7 / 32 and heights / 4, rounded).
inline constexpr int window_width = 4247;
inline constexpr int window_height = 1384;
inline constexpr int window_width_96 = (window_width * 7 + 16) / 32;  // 929
inline constexpr int window_height_96 = (window_height + 2) / 4;      // 346

// In construction order, which is also the order of the control array.
std::span<const Control> controls();
// The row of that name; throws std::out_of_range for another name.
const Control& control(std::string_view name);
bool is_edit(const Control& control);  // single-line or multi-line

// The controls Tab visits from the first focus on, in order.
std::span<const char* const> tab_chain();
// Every control from the topmost down.
std::span<const char* const> top_to_bottom();

// Each field and the label to its left.
struct FieldLabel {
  const char* field;
  const char* label;
};
std::span<const FieldLabel> field_labels();

}  // namespace expected_form
