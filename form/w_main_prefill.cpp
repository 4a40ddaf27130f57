// The open event: the form takes up the values of the last release from the
// files an earlier run wrote, so that each new release starts from them.
#include "form/w_main.h"
#include "release/prefill.h"

namespace form {

bool w_main::open() {
  const release::Values values = release::prefill();
  for (const release::Field& field : release::fields()) {
    if (field.prefilled) field_control(field.id).set_text(values[field.id].text);
  }
  return true;
}

}  // namespace form
