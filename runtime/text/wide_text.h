#pragma once
// Texts between the bytes of a code page and the wide (UTF-16) Win32 calls.
// Windows only. Plain conversions: what the code page has no character for
// is replaced, never reported. The GBK check of what users type lives in
// gbk.h, which reports it.
#ifdef _WIN32
#include <string>
#include <string_view>

namespace runtime {

inline constexpr unsigned utf8_code_page = 65001;  // CP_UTF8
inline constexpr unsigned gbk_code_page = 936;

std::wstring wide_text(std::string_view bytes, unsigned code_page = utf8_code_page);
std::string narrow_text(std::wstring_view text, unsigned code_page = utf8_code_page);

}  // namespace runtime
#endif
