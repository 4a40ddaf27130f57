#pragma once
// w_main: the configuration form, the tool's only window.
#include <memory>

#include "release/fields.h"
#include "runtime/windows/window.h"

namespace form {

using ControlRef = std::unique_ptr<runtime::Control>;

class w_main : public runtime::Window {
 public:
  w_main();
  ~w_main() override;

  runtime::WindowHandlers handler_table() override;

  // Events.
  bool create();
  bool open();
  bool destroy();
  bool cb_1_clicked();  // generate
  bool cb_2_clicked();  // exit

  // The edit that shows a field, and the values all the edits hold now.
  runtime::Control& field_control(release::FieldId id);
  release::Values values();

  // One member per control, in construction order.
  ControlRef sle_12, st_30, sle_11, st_29, sle_10, st_28, sle_9, st_27, sle_8, st_26, sle_7, st_25,
      st_24, st_23, st_22, st_21, st_20, st_19, st_18, st_17, cb_2, cb_1, mle_1, st_16, st_15,
      st_14, st_13, sle_5, st_12, st_11, st_10, st_8, st_7, st_6, st_5, sle_2, st_4, st_3, st_2,
      sle_1, st_1, gb_1, gb_2, sle_3, sle_4, st_9, gb_3, sle_6;
};

// The window's handler table: its events and its buttons' clicked events.
runtime::WindowHandlers getVtableInfo_w_main(w_main& window);

}  // namespace form
