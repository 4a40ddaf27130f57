#include "cli_run.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include "runtime/text/wide_text.h"
#endif

namespace {

// Text kestrel-cli printed into a pipe, as UTF-8. On Windows it prints in
// the console's code page, or the system's where there is no console.
std::string from_terminal(const std::string& bytes) {
#ifdef _WIN32
  const UINT console = GetConsoleOutputCP();
  const UINT code_page = console != 0 ? console : GetACP();
  if (code_page == CP_UTF8) return bytes;
  return runtime::narrow_text(runtime::wide_text(bytes, code_page));
#else
  return bytes;
#endif
}

}  // namespace

bool asks_through_wininet() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

bool under_wine() {
#ifdef _WIN32
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
  return false;
#endif
}

std::string missing_file_words() {
#ifdef _WIN32
  return {};
#else
  return "No such file or directory";
#endif
}

CliResult run_cli(const std::vector<std::string>& arguments, const std::string& input,
                  const test_support::Environment& environment, const std::string& folder) {
  static const std::string program = test_support::program_beside_this_one("kestrel-cli");
  const std::filesystem::path here = std::filesystem::current_path();
  if (!folder.empty()) std::filesystem::current_path(folder);
  const test_support::ProcessResult run = test_support::run_process(program, arguments, input, environment);
  std::filesystem::current_path(here);
  return {run.status, from_terminal(run.out), from_terminal(run.err), run.out};
}
