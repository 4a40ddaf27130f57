#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/file_system.h"
#include "runtime/temporary_file.h"
#include "runtime/text_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace runtime {
namespace {

std::filesystem::path native_path(std::string_view name) {
#ifdef _WIN32
  return std::filesystem::path(wide_file_name(name));
#else
  return std::filesystem::path(std::string(name));
#endif
}

// Gives the staged file the name when nothing has that name yet; false when
// something does (or the file system cannot do it in one step).
bool place_new(std::string_view staged, std::string_view name) {
#ifdef _WIN32
  return MoveFileExW(wide_file_name(staged).c_str(), wide_file_name(name).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
#else
  // Never over another program's file (see temporary::place_new).
  return temporary::place_new(native_path(staged), native_path(name)) == temporary::Placed::placed;
#endif
}

// Appends the staged lines to the file that has the name by now, line by
// line as they were written, so its bytes come out the same.
bool append_staged(std::string_view staged, std::string_view name) {
  std::ifstream in(native_path(staged), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (!in.good() && !in.eof()) return false;
  const std::string content = bytes.str();
  const int handle = text_file_open(name, FileMode::line_mode, FileAccess::write, FileLock::lock_write,
                                    WriteMode::append);
  bool whole = handle != failed_file;
  std::size_t begin = 0;
  while (whole && begin < content.size()) {
    std::size_t end = content.find("\r\n", begin);
    if (end == std::string::npos) end = content.size();  // not written by us: keep it as a line
    whole = text_file_write_line(handle, std::string_view(content).substr(begin, end - begin)) >= 0;
    begin = end + 2;
  }
  return text_file_close(handle) == 1 && whole;
}

}  // namespace

std::string text_file_staging_name(std::string_view name) {
  return std::string(name) + temporary_sibling_suffix();
}
bool text_file_publish(std::string_view staged, std::string_view name) {
  if (place_new(staged, name)) return true;
  const bool appended = append_staged(staged, name);
  std::error_code ignored;
  std::filesystem::remove(native_path(staged), ignored);
  return appended;
}

}  // namespace runtime
