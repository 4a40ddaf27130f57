// The form's fields as the release's values, and the window functions that
// hand them to the two file writers.
#include "form/w_main.h"
#include "form/w_main_controls.h"
#include "release/generate.h"

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

bool w_main::of_createconfigfile(bool ab_create) { return release::of_createconfigfile(values(), ab_create); }

bool w_main::of_createupdatefile(bool ab_create) { return release::of_createupdatefile(values(), ab_create); }

}  // namespace form
