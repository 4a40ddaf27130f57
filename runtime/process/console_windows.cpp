#ifdef _WIN32

#include <windows.h>

#include "runtime/process/console.h"
#include "runtime/text/wide_text.h"

namespace runtime {
namespace {

// The code page of text sent through a pipe or into a file: the console's,
// or the system's when the program has no console.
UINT redirected_code_page() {
  const UINT console = GetConsoleOutputCP();
  return console != 0 ? console : GetACP();
}

void print(DWORD which, std::string_view utf8) {
  const HANDLE handle = GetStdHandle(which);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {  // a console shows every character, whatever its code page
    const std::wstring text = wide_text(utf8);
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = narrow_text(wide_text(utf8), redirected_code_page());
  DWORD written = 0;
  WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void print_out(std::string_view utf8) { print(STD_OUTPUT_HANDLE, utf8); }

void print_err(std::string_view utf8) { print(STD_ERROR_HANDLE, utf8); }

void print_out_bytes(std::string_view bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

bool error_is_terminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::optional<std::string> read_standard_input() {
  const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {  // typed at the console: read it as characters
    std::wstring text;
    wchar_t buffer[1024];
    DWORD got = 0;
    while (ReadConsoleW(handle, buffer, 1024, &got, nullptr) && got > 0) {
      text.append(buffer, got);
      if (text.find(L'\n') != std::wstring::npos) break;  // one line, as a prompt answer
    }
    return narrow_text(text);
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(handle, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  const UINT code_page = redirected_code_page();
  if (code_page == CP_UTF8 || bytes.empty()) return bytes;
  if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                          0) <= 0)
    return std::nullopt;  // not text of the code page
  return narrow_text(wide_text(bytes, code_page));
}

}  // namespace runtime

#endif
