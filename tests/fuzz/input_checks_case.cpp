#include "input_checks_case.h"

#include <algorithm>
#include <vector>

#include "release/checks.h"
#include "fuzz_input.h"
#include "gbk_case.h"
#include "runtime/text/gbk.h"
#include "../support/required_fields.h"  // relative: the fuzz project has no tests/ on its include path

namespace fuzz {
namespace {

// Spaces (byte 32 only) off both ends.
std::string without_spaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Which bytes are the second byte of a double-byte character, reading from
// the start: a byte 0x81 to 0xFE opens one when another byte follows.
std::vector<bool> second_bytes(const std::string& text) {
  std::vector<bool> second(text.size(), false);
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x81 && b <= 0xFE) second[++i] = true;
  }
  return second;
}

// The text, without spaces at its ends, matches `pattern` at the given end,
// letters A to Z matching either case except in the second byte of a
// double-byte character, which must match exactly.
bool matches_at(const std::string& text, const std::string& pattern, bool at_start) {
  const std::string t = without_spaces(text);
  if (t.size() < pattern.size()) return false;
  const std::vector<bool> second = second_bytes(t);
  const std::size_t from = at_start ? 0 : t.size() - pattern.size();
  for (std::size_t k = 0; k < pattern.size(); ++k) {
    char c = t[from + k];
    if (!second[from + k] && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != pattern[k]) return false;
  }
  return true;
}

// A sign or none, then digits and at most one point, with a digit somewhere.
bool is_number(const std::string& text) {
  std::string body = without_spaces(text);
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.erase(0, 1);
  return std::count(body.begin(), body.end(), '.') <= 1 &&
         body.find_first_not_of("0123456789.") == std::string::npos &&
         body.find_first_of("0123456789") != std::string::npos;
}

using test_support::RequiredFields;

// The first step whose rule the fields break, 0 for none.
int expected_step(const RequiredFields& f) {
  if (f.sle_1.empty()) return 1;
  if (!matches_at(f.sle_1, "http://", true)) return 2;
  if (f.sle_2.empty()) return 3;
  if (!matches_at(f.sle_2, "exe", false)) return 4;
  if (f.sle_6.empty()) return 5;
  if (!is_number(f.sle_6)) return 6;
  if (f.sle_4.empty()) return 7;
  if (!is_number(f.sle_4)) return 8;
  if (f.sle_5.empty()) return 9;
  if (f.sle_3.empty()) return 10;
  if (!matches_at(f.sle_3, "http://", true)) return 11;
  if (!matches_at(f.sle_3, "rar", false) && !matches_at(f.sle_3, "zip", false)) return 12;
  return 0;
}

const char* const field_of_step[] = {"",      "sle_1", "sle_1", "sle_2", "sle_2", "sle_6", "sle_6",
                                     "sle_4", "sle_4", "sle_5", "sle_3", "sle_3", "sle_3"};

}  // namespace

std::string run_input_checks_case(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  RequiredFields fields;
  for (std::string* text : {&fields.sle_1, &fields.sle_2, &fields.sle_6, &fields.sle_4, &fields.sle_5,
                            &fields.sle_3}) {
    *text = input.text(48);
  }
  const int expected = expected_step(fields);
  const auto failure = release::first_failed_check(test_support::values_of(fields));
  const int step = failure ? failure->step : 0;
  if (step != expected) {
    return "step " + std::to_string(step) + " where the rules give " + std::to_string(expected);
  }
  if (!failure) return "";
  const std::string named = release::field(failure->field).control;
  if (named != field_of_step[step]) return "step " + std::to_string(step) + " names " + named;
  const runtime::Conversion message = runtime::utf8_from_gbk(failure->message);
  if (failure->message.empty() || !message.complete || !is_utf8(message.text)) {
    return "step " + std::to_string(step) + " has no readable message";
  }
  return "";
}

}  // namespace fuzz
