#include "runtime/files/file_system.h"

#ifdef _WIN32
#include <windows.h>

#include "runtime/text/wide_text.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace runtime {

#ifdef _WIN32

std::wstring wide_file_name(std::string_view name) { return wide_text(name, gbk_code_page); }

std::filesystem::path native_path(std::string_view name) { return std::filesystem::path(wide_file_name(name)); }

bool file_exists(std::string_view name) {
  const DWORD attributes = GetFileAttributesW(wide_file_name(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#else

std::filesystem::path native_path(std::string_view name) { return std::filesystem::path(std::string(name)); }

bool file_exists(std::string_view name) {
  struct stat info {};
  return stat(std::string(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

#endif

}  // namespace runtime
