#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "runtime/files/file_system.h"
#include "runtime/files/temporary_file.h"
#include "runtime/files/text_file.h"
#include "runtime/files/text_file_staging.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace runtime {

using temporary::Native;
using temporary::no_file;
using temporary::Placed;

namespace {

std::map<std::string, Native, std::less<>>& held_files() {
  static std::map<std::string, Native, std::less<>> files;
  return files;
}

void close_file(Native file) {
  if (file == no_file) return;
#ifdef _WIN32
  CloseHandle(file);
#else
  ::close(file);
#endif
}

// Gives the staged file the name when nothing has that name yet, while this
// process still holds it.
Placed place_new(std::string_view staged, std::string_view name, Native held) {
#ifdef _WIN32
  if (held != no_file) return temporary::rename_held(held, native_path(name), false);
  return MoveFileExW(native_path(staged).c_str(), native_path(name).c_str(), MOVEFILE_WRITE_THROUGH)
             ? Placed::placed
             : Placed::failed;
#else
  (void)held;  // its lock stays on the file under both names
  return temporary::place_new(native_path(staged), native_path(name));
#endif
}

// The staged lines. On Windows the held handle lets nobody else open the
// file, so they are read through it.
bool read_staged(std::string_view staged, Native held, std::string& content) {
#ifdef _WIN32
  if (held != no_file) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(held, start, nullptr, FILE_BEGIN)) return false;
    char buffer[65536];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(held, buffer, sizeof buffer, &got, nullptr)) return false;
      if (got == 0) return true;
      content.append(buffer, got);
    }
  }
#else
  (void)held;
#endif
  std::ifstream in(native_path(staged), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  content = bytes.str();
  return in.good() || in.eof();
}

void remove_staged(std::string_view staged, Native held) {
#ifdef _WIN32
  if (held != no_file) return temporary::delete_on_close(held);
#else
  (void)held;
#endif
  std::error_code ignored;
  std::filesystem::remove(native_path(staged), ignored);
}

// Appends the staged lines to the file that has the name by now, line by
// line as they were written, so its bytes come out the same.
bool append_staged(const std::string& content, std::string_view name) {
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

void staging::hold(std::string_view name, Native file) {
  auto& files = held_files();
  if (const auto old = files.find(name); old != files.end()) {
    close_file(old->second);
    files.erase(old);
  }
  files.emplace(std::string(name), file);
}

Native staging::take(std::string_view name) {
  auto& files = held_files();
  const auto found = files.find(name);
  if (found == files.end()) return no_file;
  const Native file = found->second;
  files.erase(found);
  return file;
}

std::string text_file_staging_name(std::string_view name) {
  return std::string(name) + temporary::sibling_suffix();
}

bool text_file_publish(std::string_view staged, std::string_view name) {
  // Leftovers of writers of the file that were killed; ours is held.
  temporary::remove_stale(native_path(name));
  const Native held = staging::take(staged);
  bool published = place_new(staged, name, held) == Placed::placed;
  if (!published) {
    std::string content;
    published = read_staged(staged, held, content) && append_staged(content, name);
    remove_staged(staged, held);
  }
  close_file(held);
  return published;
}

}  // namespace runtime
