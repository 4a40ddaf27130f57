#pragma once
// The byte-order marks a text file may begin with. The update client reads
// its files with the Windows profile API: it takes a UTF-16 file as such,
// and a UTF-8 mark for part of the first line.
#include <string_view>

namespace runtime {

inline constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";

enum class ByteOrderMark { none, utf8, utf16 };

inline ByteOrderMark byte_order_mark(std::string_view bytes) {
  if (bytes.starts_with(utf8_byte_order_mark)) return ByteOrderMark::utf8;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return ByteOrderMark::utf16;
  return ByteOrderMark::none;
}

// The text without a UTF-8 byte-order mark in front.
inline std::string_view without_utf8_byte_order_mark(std::string_view bytes) {
  if (bytes.starts_with(utf8_byte_order_mark)) bytes.remove_prefix(utf8_byte_order_mark.size());
  return bytes;
}

}  // namespace runtime
