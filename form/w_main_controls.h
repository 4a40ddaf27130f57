#pragma once
// The 48 controls of w_main as data, in construction order. The fields'
// edits and labels take their texts from the release's field table.
#include <span>
#include <string_view>

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
  runtime::ControlKind kind;
  int x, y, width, height;
  int taborder;
  unsigned flags;
  long textcolor;   // 0: the kind's default
  const char* text;  // UTF-8, converted to GBK when the control is made; null: from the field table
};

std::span<const ControlRow> w_main_controls();

// The member that holds the named control; null for a name the form lacks.
ControlRef w_main::*control_member(std::string_view name);

// The properties of one control as the runtime makes it.
runtime::ControlProperties control_properties(const ControlRow& row);

}  // namespace form
