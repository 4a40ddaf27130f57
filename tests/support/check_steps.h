#pragma once
// The twelve checks of the generate action, written down once for every test
// that walks them, on the release core or on a running form: each step's
// required field (by the edit that holds it), a text that fails it there,
// and the message. Plain data; texts are UTF-8.
#include <span>
#include <string_view>

namespace check_steps {

struct Step {
  int step;
  const char* field;
  const char* failing_text;
  const char* message;
};

// Steps 1 to 12, in order.
std::span<const Step> steps();

// The six required fields, in the order the checks visit them.
std::span<const char* const> required_fields();

// A text of the required field that passes all its checks; throws
// std::out_of_range for another name.
const char* valid_text(std::string_view field);

}  // namespace check_steps
