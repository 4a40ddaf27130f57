#pragma once
// One fuzz case for the checks of a live release: an arbitrary answer of a
// web server (status, Content-Type, body, fault) judged as the descriptor and
// as the package, and two arbitrary versions compared.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// "" when every rule held, else what broke. The bytes: one byte for the
// status (a multiple of 4 gives another status than 200), one for the
// fault and whether the body was cut, the texts Content-Type (up to 40
// bytes), package address (up to 48) and two versions (up to 24 each);
// everything after that is the body.
std::string run_answers_case(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
