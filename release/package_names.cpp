#include "release/package_names.h"

#include <algorithm>
#include <cctype>

#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// True when the UTF-8 text has a character of three bytes or more (U+0800
// on: Chinese, Japanese, most symbols). Each two-byte UTF-8 character is
// also one GBK character, and about one GBK character in twelve is one such
// pair, so a name of those alone is taken as the GBK it also is.
bool has_wide_character(std::string_view utf8) {
  return std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE0; });
}

std::string hex_bytes(std::string_view bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x80) {
      text += c;
    } else {
      text += "\\x";
      text += digits[byte >> 4];
      text += digits[byte & 0xF];
    }
  }
  return text;
}

constexpr std::string_view device_names[] = {"con", "prn", "aux", "nul"};
constexpr std::string_view numbered_device_names[] = {"com", "lpt"};

bool is_device_name(std::string_view part) {
  std::string base = runtime::string_lower(part.substr(0, part.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (std::find(std::begin(device_names), std::end(device_names), base) != std::end(device_names)) return true;
  return base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
         std::find(std::begin(numbered_device_names), std::end(numbered_device_names), base.substr(0, 3)) !=
             std::end(numbered_device_names);
}

}  // namespace

bool is_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    char32_t code = lead;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else if (lead >= 0x80) return false;
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

ClientName client_name(const runtime::ArchiveEntry& entry) {
  ClientName name;
  if (entry.unicode) {
    name.text = entry.name;
    if (!entry.name_readable || !is_utf8(entry.name)) {
      name.text = entry.name.empty() ? "(a name that cannot be read)" : runtime::utf8_from_gbk(entry.name).text;
      name.fault = name.text + ": marked as UTF-8, but no UTF-8 text";
    } else if (!runtime::gbk_from_utf8(entry.name).complete) {
      name.fault = entry.name + ": marked as UTF-8 and holds characters that GBK cannot; "
                                "extractors that ignore the mark write other characters";
      name.warning = true;
    }
    return name;
  }
  const runtime::Conversion gbk = runtime::utf8_from_gbk(entry.name);
  name.text = gbk.text;
  if (is_ascii(entry.name)) return name;
  if (is_utf8(entry.name) && has_wide_character(entry.name)) {
    name.fault = entry.name + ": stored as UTF-8 without the UTF-8 flag; the client reads it as GBK and writes " +
                 gbk.text;
  } else if (!gbk.complete) {
    name.fault = hex_bytes(entry.name) + ": neither UTF-8 nor GBK; the client writes " + gbk.text;
  }
  return name;
}

std::vector<std::string_view> path_parts(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string leaves_folder(std::string_view path) {
  if (path.starts_with('/') || path.starts_with('\\')) return "an absolute path";
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return "a drive letter";
  for (const std::string_view part : path_parts(path))
    if (part == "..") return "a \"..\" part";
  return {};
}

std::string windows_name_fault(std::string_view path) {
  for (const std::string_view part : path_parts(path)) {
    if (part == "." || part == "..") continue;
    if (is_device_name(part)) return "\"" + std::string(part) + "\" is a device name on Windows";
    if (part.back() == '.' || part.back() == ' ') return "\"" + std::string(part) + "\" ends in a dot or a blank";
    for (const char c : part) {
      if (static_cast<unsigned char>(c) < 0x20) return "\"" + hex_bytes(part) + "\" holds a control character";
      if (std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
        return "\"" + std::string(part) + "\" holds " + std::string(1, c) + ", which Windows refuses in a name";
    }
  }
  return {};
}

std::string folded(std::string_view path) {
  std::string text(path);
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  while (!text.empty() && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace release
