// The two buttons: generate (cb_1) and exit (cb_2).
#include "form/w_main.h"
#include "release/generate.h"
#include "runtime/windows/message_box.h"

namespace form {

bool w_main::cb_1_clicked() {
  const release::Outcome outcome = release::generate(values());
  runtime::message_box("", outcome.message);
  if (outcome.failure) runtime::setfocus(field_control(outcome.failure->field));
  return true;
}

bool w_main::cb_2_clicked() { return runtime::window_close(*this); }

}  // namespace form
