#pragma once
// One fuzz case for the GBK conversion: the same bytes converted both ways,
// with the rules the two conversions must keep.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// "" when every rule held for the bytes as GBK and as UTF-8, else what broke.
std::string run_gbk_case(const std::uint8_t* data, std::size_t size);

// True for well-formed UTF-8: shortest forms, no surrogates, nothing past
// U+10FFFF.
bool is_utf8(const std::string& text);

}  // namespace fuzz
