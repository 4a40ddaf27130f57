#include "cli_run.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Text kestrel-cli printed into a pipe, as UTF-8. On Windows it prints in
// the console's code page, or the system's where there is no console.
std::string from_terminal(const std::string& bytes) {
#ifdef _WIN32
  const UINT console = GetConsoleOutputCP();
  const UINT code_page = console != 0 ? console : GetACP();
  if (bytes.empty() || code_page == CP_UTF8) return bytes;
  const int size = MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
  const int utf8_size = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(utf8_size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), utf8_size, nullptr, nullptr);
  return utf8;
#else
  return bytes;
#endif
}

}  // namespace

CliResult run_cli(const std::vector<std::string>& arguments, const std::string& input,
                  const test_support::Environment& environment, const std::string& folder) {
  static const std::string program = test_support::program_beside_this_one("kestrel-cli");
  const std::filesystem::path here = std::filesystem::current_path();
  if (!folder.empty()) std::filesystem::current_path(folder);
  const test_support::ProcessResult run = test_support::run_process(program, arguments, input, environment);
  std::filesystem::current_path(here);
  return {run.status, from_terminal(run.out), from_terminal(run.err), run.out};
}
