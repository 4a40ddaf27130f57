#include "runtime/text/strings.h"

namespace runtime {

std::string string_trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  return std::string(text.substr(first, last - first));
}

std::string string_left(std::string_view text, long n) {
  if (n <= 0) return {};
  return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string string_right(std::string_view text, long n) {
  if (n <= 0) return {};
  const auto count = static_cast<std::size_t>(n);
  if (count >= text.size()) return std::string(text);
  return std::string(text.substr(text.size() - count));
}

bool gbk_is_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string string_lower(std::string_view text) {
  std::string lowered(text);
  for (std::size_t i = 0; i < lowered.size(); ++i) {
    const auto byte = static_cast<unsigned char>(lowered[i]);
    if (gbk_is_lead_byte(byte) && i + 1 < lowered.size()) {
      ++i;  // keep the trail byte of a double-byte character as it is
    } else if (byte >= 'A' && byte <= 'Z') {
      lowered[i] = static_cast<char>(byte - 'A' + 'a');
    }
  }
  return lowered;
}

bool string_is_number(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digit_seen = false;
  bool point_seen = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit_seen = true;
    } else if (c == '.' && !point_seen) {
      point_seen = true;
    } else {
      return false;
    }
  }
  return digit_seen;
}

}  // namespace runtime
