#pragma once
// The twelve checks of the generate action, on the six required fields.
// Plain logic on GBK texts: no window involved.
#include <optional>
#include <string>

namespace form {

// The texts exactly as typed.
struct RequiredFields {
  std::string sle_1;  // update address
  std::string sle_2;  // program name
  std::string sle_6;  // program version
  std::string sle_4;  // newest version
  std::string sle_5;  // update date
  std::string sle_3;  // package download address
};

struct CheckFailure {
  int step;                 // 1 to 12
  std::string field;        // "sle_1", ...: where the focus goes
  std::string message;      // GBK
};

// The first check that fails, in order from step 1 to step 12, or none.
std::optional<CheckFailure> first_failed_check(const RequiredFields& fields);

}  // namespace form
