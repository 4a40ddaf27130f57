// The form's fields as the release's values.
#include "form/w_main.h"
#include "form/w_main_controls.h"

namespace form {

runtime::Control& w_main::field_control(release::FieldId id) {
  return *(this->*control_member(release::field(id).control));
}

release::Values w_main::values() {
  release::Values values;
  for (const release::Field& field : release::fields()) {
    const runtime::Control& edit = field_control(field.id);
    values[field.id] = {edit.text(), edit.text_is_gbk()};
  }
  return values;
}

}  // namespace form
