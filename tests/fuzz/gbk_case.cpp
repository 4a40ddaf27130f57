#include "gbk_case.h"

#include <algorithm>

#include "runtime/text/gbk.h"

namespace fuzz {
namespace {

std::size_t question_marks(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '?'));
}

bool is_ascii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
    out.push_back(' ');
  }
  return out;
}

// "?" is a byte of no double-byte character in either encoding, so every
// "?" in a result is a "?" of the input or a replaced character, and a
// conversion is complete exactly when it made no "?" of its own.
std::string check_from_gbk(const std::string& gbk) {
  const runtime::Conversion utf8 = runtime::utf8_from_gbk(gbk);
  const std::string where = "GBK " + hex(gbk) + "-> UTF-8 " + hex(utf8.text) + ": ";
  if (!is_utf8(utf8.text)) return where + "the result is not UTF-8";
  if (utf8.complete != (question_marks(utf8.text) == question_marks(gbk))) {
    return where + "the complete flag disagrees with the replacements made";
  }
  if (utf8.text.size() > 3 * gbk.size()) return where + "the result is longer than any conversion makes it";
  if (is_ascii(gbk) && (utf8.text != gbk || !utf8.complete)) return where + "ASCII changed";
  if (!utf8.complete) return "";
  const runtime::Conversion back = runtime::gbk_from_utf8(utf8.text);
  if (!back.complete || back.text != gbk) return where + "back to GBK gives " + hex(back.text);
  return "";
}

std::string check_from_utf8(const std::string& utf8) {
  const runtime::Conversion gbk = runtime::gbk_from_utf8(utf8);
  const std::string where = "UTF-8 " + hex(utf8) + "-> GBK " + hex(gbk.text) + ": ";
  if (gbk.complete != (question_marks(gbk.text) == question_marks(utf8))) {
    return where + "the complete flag disagrees with the replacements made";
  }
  if (gbk.complete && !is_utf8(utf8)) return where + "malformed UTF-8 was converted as complete";
  if (gbk.text.size() > utf8.size()) return where + "the result is longer than any conversion makes it";
  if (is_ascii(utf8) && (gbk.text != utf8 || !gbk.complete)) return where + "ASCII changed";
  // Whatever came out is GBK that reads back as it was written.
  const runtime::Conversion again = runtime::utf8_from_gbk(gbk.text);
  if (!again.complete) return where + "the result is not valid GBK";
  if (gbk.complete && again.text != utf8) return where + "back to UTF-8 gives " + hex(again.text);
  return "";
}

}  // namespace

bool is_utf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t code;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string run_gbk_case(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (std::string broken = check_from_gbk(bytes); !broken.empty()) return broken;
  return check_from_utf8(bytes);
}

}  // namespace fuzz
