#pragma once
// String services on GBK byte strings. Lengths and positions count bytes.
#include <string>
#include <string_view>

namespace runtime {

// Removes leading and trailing spaces (byte 32) only; tabs stay.
std::string string_trim(std::string_view text);

// First or last n bytes; the whole text when it is shorter. n < 0 gives "".
std::string string_left(std::string_view text, long n);
std::string string_right(std::string_view text, long n);

// A to Z become a to z. The second byte of a GBK double-byte character is
// never changed, so no Chinese character turns into another one.
std::string string_lower(std::string_view text);

// An optional sign, digits with at most one decimal point, at least one digit.
// "2", "2.22", "-1.5", ".5" and "2." pass; "", blanks, exponents, several
// points and any other character fail.
bool string_is_number(std::string_view text);

// True when the byte can begin a GBK double-byte character (0x81 to 0xFE);
// the byte after it then belongs to the same character.
bool gbk_is_lead_byte(unsigned char byte);

}  // namespace runtime
