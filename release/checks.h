#pragma once
// The checks a release must pass before anything is written: the twelve
// checks of the required fields, then the check for text that GBK cannot
// store. Pure functions of the values.
#include <optional>
#include <string>

#include "release/fields.h"

namespace release {

struct CheckFailure {
  int step;             // 1 to 12; 13 for text outside GBK
  FieldId field;        // the field the message is about, where the focus goes
  std::string message;  // GBK, exactly as the form shows it
};

// The first of the twelve checks that fails, in order from step 1 to 12.
// They look at the texts exactly as typed (blanks included).
std::optional<CheckFailure> first_failed_check(const Values& values);

// The first field, in the order of the field table, whose text would reach a
// file but holds a character that GBK cannot store. The database fields
// count only when UpdateConfig.ini is going to be created, since updating
// it leaves them unwritten.
std::optional<CheckFailure> first_field_outside_gbk(const Values& values, bool config_created);

// "<label>含有无法保存的字符，请重新输入！": the refusal of a field's text that
// holds a character GBK cannot store. GBK.
std::string outside_gbk_message(const Field& field);

}  // namespace release
