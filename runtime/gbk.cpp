#include "runtime/gbk.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <cerrno>
#endif

namespace runtime {
namespace {

// Length of the character that starts at byte `lead` in the given encoding,
// used to step over a character that cannot be converted.
std::size_t utf8_char_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

std::size_t gbk_char_length(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

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
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t length = code_page == CP_UTF8 ? utf8_char_length(lead) : gbk_char_length(lead);
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

std::string narrow(const std::wstring& wide, UINT code_page, bool& complete) {
  if (wide.empty()) return {};
  BOOL used_default = FALSE;
  BOOL* used = code_page == CP_UTF8 ? nullptr : &used_default;
  const int size = WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()),
                                       nullptr, 0, nullptr, used);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size,
                      nullptr, used);
  if (used_default) complete = false;
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
  Converter(const char* to, const char* from, std::size_t (*char_length)(unsigned char))
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
      std::size_t skip = char_length_(static_cast<unsigned char>(*in));
      if (skip > in_left) skip = in_left;
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
  std::size_t (*char_length_)(unsigned char);
};

}  // namespace

Conversion gbk_from_utf8(std::string_view utf8) {
  thread_local const Converter to_gbk("CP936", "UTF-8", utf8_char_length);
  return to_gbk(utf8);
}

Conversion utf8_from_gbk(std::string_view gbk) {
  thread_local const Converter from_gbk("UTF-8", "CP936", gbk_char_length);
  return from_gbk(gbk);
}

#endif

std::string gbk(std::string_view utf8) { return gbk_from_utf8(utf8).text; }

}  // namespace runtime
