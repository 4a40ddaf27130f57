#ifdef _WIN32

#include <windows.h>
#include <shellapi.h>

#include "runtime/process/process.h"
#include "runtime/text/wide_text.h"

namespace runtime {

std::vector<std::string> command_line_arguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  wchar_t** wide_arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count; ++i) arguments.push_back(narrow_text(wide_arguments[i]));
  LocalFree(wide_arguments);
  return arguments;
}

std::optional<std::string> environment_variable(const std::string& name) {
  const std::wstring wide_name = wide_text(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt : std::optional<std::string>("");
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(length);
  return narrow_text(value);
}

bool change_directory(const std::string& path, std::string& error) {
  if (SetCurrentDirectoryW(wide_text(path).c_str())) return true;
  error = system_error_text(GetLastError());
  return false;
}

}  // namespace runtime

#endif
