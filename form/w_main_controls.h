#pragma once
// The 48 controls of w_main as data, in construction order, and the map of
// which label names which field.
#include <span>

#include "form/w_main.h"

namespace form {

enum ControlFlag : unsigned {
  none = 0,
  bringtotop = 1u << 0,
  password = 1u << 1,
  vscrollbar = 1u << 2,
  default_button = 1u << 3,
  cancel_button = 1u << 4,
};

struct ControlRow {
  ControlRef w_main::*member;
  const char* name;
  const char* kind;
  int step;  // the group box that encloses it: 1, 2, 3; 0 outside all
  int x, y, width, height;
  int taborder;
  unsigned flags;
  long textcolor;   // 0: the kind's default
  const char* text;  // UTF-8; converted to GBK when the control is made
};

std::span<const ControlRow> w_main_controls();

// Each field and the label to its left.
struct FieldLabel {
  ControlRef w_main::*field;
  ControlRef w_main::*label;
  bool database = false;  // written only when UpdateConfig.ini is created
};
std::span<const FieldLabel> w_main_field_labels();

// The properties of one control as the runtime makes it.
runtime::ControlProperties control_properties(const ControlRow& row);

}  // namespace form
