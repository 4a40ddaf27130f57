#pragma once
// One fuzz case for the twelve checks of the generate action: six arbitrary
// byte strings as the required fields.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// "" when first_failed_check gave the step that the rules, stated here
// afresh, give for the fields the bytes make, else what differs. The bytes:
// six texts (sle_1, sle_2, sle_6, sle_4, sle_5, sle_3), each a length byte
// (up to 48) and the text.
std::string run_input_checks_case(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
