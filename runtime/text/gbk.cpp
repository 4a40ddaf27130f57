#include "runtime/text/gbk.h"

#include "runtime/text/strings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace runtime {
namespace {

// Length of the UTF-8 character that starts `rest`, used to step over a
// character that cannot be converted. Only bytes that can belong to the
// character are counted, so a broken one never swallows the ASCII text
// after it.
std::size_t utf8_char_length(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest.front());
  std::size_t length = 1;
  if ((lead & 0xE0) == 0xC0) length = 2;
  else if ((lead & 0xF0) == 0xE0) length = 3;
  else if ((lead & 0xF8) == 0xF0) length = 4;
  std::size_t n = 1;
  while (n < length && n < rest.size() && (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80) ++n;
  return n;
}

std::size_t gbk_char_length(std::string_view rest) {
  const auto lead = static_cast<unsigned char>(rest.front());
  if (!gbk_is_lead_byte(lead) || rest.size() < 2) return 1;
  const auto trail = static_cast<unsigned char>(rest[1]);
  return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 1;
}

#ifdef _WIN32

std::wstring widen(std::string_view bytes, UINT code_page, bool& complete) {
  std::wstring wide;
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Convert one character at a time only where a whole run fails.
    const int whole = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data() + i,
                                          static_cast<int>(bytes.size() - i), nullptr, 0);
    if (whole > 0) {
      const std::size_t at = wide.size();
      wide.resize(at + whole);
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data() + i,
                          static_cast<int>(bytes.size() - i), wide.data() + at, whole);
      break;
    }
    std::size_t length =
        code_page == CP_UTF8 ? utf8_char_length(bytes.substr(i)) : gbk_char_length(bytes.substr(i));
    if (i + length > bytes.size()) length = bytes.size() - i;
    wchar_t one[2];
    const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data() + i,
                                      static_cast<int>(length), one, 2);
    if (n > 0) {
      wide.append(one, n);
    } else {
      wide.push_back(L'?');
      complete = false;
    }
    i += length;
  }
  return wide;
}

// Converts one run; `replaced` tells whether some character had no form in
// the code page. No best-fit look-alikes: such a character is replaced.
std::string narrow_run(const wchar_t* wide, int length, UINT code_page, bool& replaced) {
  BOOL used_default = FALSE;
  BOOL* used = code_page == CP_UTF8 ? nullptr : &used_default;
  const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int size = WideCharToMultiByte(code_page, flags, wide, length, nullptr, 0, nullptr, used);
  if (size <= 0) {
    replaced = true;
    return {};
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, flags, wide, length, bytes.data(), size, nullptr, used);
  replaced = used_default != FALSE;
  return bytes;
}

// Where a whole run cannot be converted, goes one character at a time, so a
// character outside the code page (a surrogate pair too) becomes one "?".
std::string narrow(const std::wstring& wide, UINT code_page, bool& complete) {
  if (wide.empty()) return {};
  bool replaced = false;
  std::string whole = narrow_run(wide.data(), static_cast<int>(wide.size()), code_page, replaced);
  if (!replaced) return whole;
  std::string bytes;
  for (std::size_t i = 0; i < wide.size();) {
    const bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]);
    const int length = pair ? 2 : 1;
    const std::string one = narrow_run(wide.data() + i, length, code_page, replaced);
    bytes += replaced ? std::string("?") : one;
    complete = complete && !replaced;
    i += static_cast<std::size_t>(length);
  }
  return bytes;
}

Conversion convert(std::string_view input, UINT from, UINT to) {
  Conversion result;
  result.text = narrow(widen(input, from, result.complete), to, result.complete);
  return result;
}

}  // namespace

Conversion gbk_from_utf8(std::string_view utf8) { return convert(utf8, CP_UTF8, 936); }
Conversion utf8_from_gbk(std::string_view gbk) { return convert(gbk, 936, CP_UTF8); }

#else

class Converter {
 public:
  Converter(const char* to, const char* from, std::size_t (*char_length)(std::string_view))
      : cd_(iconv_open(to, from)), char_length_(char_length) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  Conversion operator()(std::string_view input) const {
    Conversion result;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      result.complete = false;
      return result;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    char buffer[4096];
    while (in_left > 0) {
      char* out = buffer;
      std::size_t out_left = sizeof buffer;
      const std::size_t rc = iconv(cd_, &in, &in_left, &out, &out_left);
      result.text.append(buffer, static_cast<std::size_t>(out - buffer));
      if (rc != static_cast<std::size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace the offending character and go on after it.
      const std::size_t skip = char_length_(std::string_view(in, in_left));
      in += skip;
      in_left -= skip;
      result.text.push_back('?');
      result.complete = false;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    iconv(cd_, nullptr, nullptr, &out, &out_left);
    result.text.append(buffer, static_cast<std::size_t>(out - buffer));
    return result;
  }

 private:
  iconv_t cd_;
  std::size_t (*char_length_)(std::string_view);
};

}  // namespace

// glibc's iconv drops the tag characters U+E0000 to U+E007F (UTF-8 F3 A0 80
// 80 to F3 A0 81 BF) without a word; like any other character outside GBK,
// each becomes "?" and makes the conversion incomplete.
static bool is_tag_character(std::string_view rest) {
  return rest.size() >= 4 && rest[0] == '\xF3' && rest[1] == '\xA0' &&
         (rest[2] == '\x80' || rest[2] == '\x81') && (static_cast<unsigned char>(rest[3]) & 0xC0) == 0x80;
}

Conversion gbk_from_utf8(std::string_view utf8) {
  thread_local const Converter to_gbk("CP936", "UTF-8", utf8_char_length);
  Conversion result;
  std::size_t from = 0;
  for (std::size_t at = utf8.find('\xF3'); at != std::string_view::npos; at = utf8.find('\xF3', at + 1)) {
    if (!is_tag_character(utf8.substr(at))) continue;
    const Conversion before = to_gbk(utf8.substr(from, at - from));
    result.text += before.text;
    result.text.push_back('?');
    result.complete = false;
    from = at + 4;
  }
  const Conversion rest = to_gbk(utf8.substr(from));
  result.text += rest.text;
  result.complete = result.complete && rest.complete;
  return result;
}

Conversion utf8_from_gbk(std::string_view gbk) {
  thread_local const Converter from_gbk("UTF-8", "CP936", gbk_char_length);
  return from_gbk(gbk);
}

#endif

std::string gbk(std::string_view utf8) { return gbk_from_utf8(utf8).text; }

std::string utf8(std::string_view gbk) { return utf8_from_gbk(gbk).text; }

}  // namespace runtime
