#pragma once
// The six required fields' texts, by the edits that hold them, and the
// release values that carry them, for the tests and the fuzz target that
// give the checks these fields alone. Header only: the fuzz project builds
// no test support.
#include <string>

#include "release/fields.h"

namespace test_support {

struct RequiredFields {
  std::string sle_1, sle_2, sle_6, sle_4, sle_5, sle_3;
};

// Every other field is left empty.
inline release::Values values_of(const RequiredFields& f) {
  using release::FieldId;
  release::Values values;
  values[FieldId::update_url].text = f.sle_1;
  values[FieldId::program].text = f.sle_2;
  values[FieldId::program_version].text = f.sle_6;
  values[FieldId::latest_version].text = f.sle_4;
  values[FieldId::date].text = f.sle_5;
  values[FieldId::package_url].text = f.sle_3;
  return values;
}

}  // namespace test_support
