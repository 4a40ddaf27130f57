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

// The system's words for a Win32 error code (GetLastError), UTF-8, without
// the closing full stop.
std::string system_error_text(unsigned long code);

}  // namespace runtime
#endif
