#include "app/cli/terminal.h"

#include "runtime/text/wide_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace cli {
namespace {

#ifdef _WIN32

using runtime::narrow_text;
using runtime::wide_text;

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

std::string system_error_text(DWORD code) {
  wchar_t* buffer = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = buffer ? narrow_text(buffer) : "error " + std::to_string(code);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) text.pop_back();
  return text;
}

DWORD standard_stream(bool error) { return error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE; }

#else

void print(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

std::FILE* standard_stream(bool error) { return error ? stderr : stdout; }

#endif

}  // namespace

std::vector<std::string> command_line_arguments(int argc, char** argv) {
  std::vector<std::string> arguments;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide_arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count; ++i) arguments.push_back(narrow_text(wide_arguments[i]));
  LocalFree(wide_arguments);
#else
  arguments.assign(argv, argv + argc);
#endif
  return arguments;
}

void print_out(std::string_view utf8) { print(standard_stream(false), utf8); }

void print_err(std::string_view utf8) { print(standard_stream(true), utf8); }

void print_out_bytes(std::string_view bytes) {
#ifdef _WIN32
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
#else
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
#endif
}

std::optional<std::string> environment_variable(const std::string& name) {
#ifdef _WIN32
  const std::wstring wide_name = wide_text(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>("");
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(length);
  return narrow_text(value);
#else
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
#endif
}

std::optional<std::string> read_standard_input() {
#ifdef _WIN32
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
#else
  std::string bytes{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
  if (std::cin.bad()) return std::nullopt;
  return bytes;
#endif
}

namespace {

// Opens a file for reading its bytes; false (and `error` set) when it cannot.
bool open_file(const std::string& path, std::ifstream& in, std::string& error) {
#ifdef _WIN32
  const std::filesystem::path file(wide_text(path));
#else
  const std::filesystem::path file(path);
#endif
  std::error_code code;
  if (std::filesystem::is_directory(file, code)) {
    error = "it is a directory";
    return false;
  }
  in.open(file, std::ios::binary);
  if (!in) {
#ifdef _WIN32
    error = system_error_text(GetLastError());
#else
    error = std::strerror(errno);
#endif
    return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> read_file(const std::string& path, std::string& error) {
  std::ifstream in;
  if (!open_file(path, in, error)) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) {
    error = "it cannot be read";
    return std::nullopt;
  }
  return bytes;
}

bool read_file_pieces(const std::string& path, const std::function<void(std::string_view)>& piece,
                      std::string& error) {
  std::ifstream in;
  if (!open_file(path, in, error)) return false;
  std::string buffer(1 << 16, '\0');
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0) piece(std::string_view(buffer.data(), static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad()) {
    error = "it cannot be read";
    return false;
  }
  return true;
}

bool error_is_terminal() {
#ifdef _WIN32
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
#else
  return ::isatty(2) == 1;
#endif
}

bool change_directory(const std::string& path, std::string& error) {
#ifdef _WIN32
  if (SetCurrentDirectoryW(wide_text(path).c_str())) return true;
  error = system_error_text(GetLastError());
#else
  if (::chdir(path.c_str()) == 0) return true;
  error = std::strerror(errno);
#endif
  return false;
}

}  // namespace cli
