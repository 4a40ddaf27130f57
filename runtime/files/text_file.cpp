#include "runtime/files/text_file.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "runtime/files/file_system.h"
#include "runtime/files/replacement.h"
#include "runtime/files/temporary_file.h"
#include "runtime/files/text_file_staging.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#endif

namespace runtime {
namespace {

struct OpenFile {
  std::string name;
  temporary::Native handle = temporary::no_file;
#ifdef _WIN32
  LARGE_INTEGER size_at_open{};
#else
  off_t size_at_open = 0;
#endif
  bool created = false;  // the open made the file
  bool failed = false;   // a write did not reach the file whole
  // A staging file is a replacement's temporary, held past its close until
  // text_file_publish gives it its name.
  std::unique_ptr<Replacement> staging;
};

std::map<int, OpenFile>& open_files() {
  static std::map<int, OpenFile> files;
  return files;
}

int next_handle() {
  static int handle = 0;
  return ++handle;
}

#ifdef _WIN32

bool open_locked(OpenFile& file) {
  const std::wstring name = wide_file_name(file.name);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  file.created = attributes == INVALID_FILE_ATTRIBUTES;
  // A file marked read-only is refused whoever asks, administrators too.
  if (!file.created && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
  file.handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file.handle == INVALID_HANDLE_VALUE) return false;
  const auto deadline = std::chrono::steady_clock::now() + lock_wait;
  for (;;) {
    OVERLAPPED whole{};
    if (LockFileEx(file.handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                   MAXDWORD, &whole))
      break;
    if (std::chrono::steady_clock::now() >= deadline) {
      CloseHandle(file.handle);
      if (file.created) DeleteFileW(name.c_str());
      return false;
    }
    std::this_thread::sleep_for(lock_poll);
  }
  GetFileSizeEx(file.handle, &file.size_at_open);
  LARGE_INTEGER end{};
  SetFilePointerEx(file.handle, end, nullptr, FILE_END);
  return true;
}

bool finish(OpenFile& file) {
  const bool whole = !file.failed && FlushFileBuffers(file.handle);
  if (!whole) {
    SetFilePointerEx(file.handle, file.size_at_open, nullptr, FILE_BEGIN);
    SetEndOfFile(file.handle);
  }
  OVERLAPPED whole_range{};
  UnlockFileEx(file.handle, 0, MAXDWORD, MAXDWORD, &whole_range);
  CloseHandle(file.handle);
  if (!whole && file.created) DeleteFileW(wide_file_name(file.name).c_str());
  return whole;
}

#else

bool open_locked(OpenFile& file) {
  // O_NONBLOCK: a FIFO without a reader fails at once instead of hanging the
  // open; writes block as usual once it is cleared.
  file.handle = open(file.name.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
  if (file.handle < 0 && errno == ENOENT) {
    file.handle = open(file.name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0644);
    file.created = file.handle >= 0;
  }
  if (file.handle < 0) return false;
  fcntl(file.handle, F_SETFL, O_APPEND);
  // A file with every write bit cleared stays untouched even for the
  // superuser, as Windows leaves a file marked read-only.
  struct stat mode {};
  if (!file.created && (fstat(file.handle, &mode) != 0 || (mode.st_mode & 0222) == 0)) {
    close(file.handle);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + lock_wait;
  while (flock(file.handle, LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      close(file.handle);
      if (file.created) unlink(file.name.c_str());
      return false;
    }
    std::this_thread::sleep_for(lock_poll);
  }
  // A profile edit may have renamed a new file over the name (or the file
  // may be gone) while we waited for the lock: lines appended to the old
  // file would be lost, so the name is opened again.
  struct stat info {}, named {};
  if (fstat(file.handle, &info) != 0 || stat(file.name.c_str(), &named) != 0 || info.st_dev != named.st_dev ||
      info.st_ino != named.st_ino) {
    close(file.handle);
    file.created = false;
    return std::chrono::steady_clock::now() < deadline && open_locked(file);
  }
  file.size_at_open = info.st_size;
  return true;
}

bool finish(OpenFile& file) {
  const bool whole = !file.failed && fsync(file.handle) == 0;
  if (!whole) {
    if (file.created) {
      unlink(file.name.c_str());
    } else if (ftruncate(file.handle, file.size_at_open) != 0) {
      // Nothing more can be done here; the caller is told the write failed.
    }
  }
  flock(file.handle, LOCK_UN);
  const bool closed = close(file.handle) == 0;
  return whole && closed;
}

#endif

// A staging file, "<name>.kestrel-<hex digits>", is the temporary of the
// replacement that creates <name>.
bool open_staging(OpenFile& file) {
  const std::filesystem::path staged = native_path(file.name);
  std::filesystem::path target = staged;
  target.replace_filename(temporary::target_name(staged.filename().string()));
  file.staging = std::make_unique<Replacement>(target, Replacement::Mode::create);
  return file.staging->lock(std::chrono::steady_clock::now() + lock_wait) && file.staging->open_temporary(staged);
}

}  // namespace

int text_file_open(std::string_view name, FileMode, FileAccess, FileLock, WriteMode) {
  OpenFile file;
  file.name = std::string(name);
  if (file.name.empty()) return failed_file;
  if (!(temporary::is_temporary_name(file.name) ? open_staging(file) : open_locked(file))) return failed_file;
  const int handle = next_handle();
  open_files().emplace(handle, std::move(file));
  return handle;
}

int text_file_write_line(int handle, std::string_view text) {
  const auto found = open_files().find(handle);
  if (found == open_files().end()) return -1;
  OpenFile& file = found->second;
  if (file.failed) return -1;
  std::string line(text);
  line += "\r\n";
  if (!(file.staging ? file.staging->write(line) : temporary::write_all(file.handle, line))) {
    file.failed = true;
    return -1;
  }
  return static_cast<int>(line.size());
}

int text_file_close(int handle) {
  const auto found = open_files().find(handle);
  if (found == open_files().end()) return -1;
  OpenFile& file = found->second;
  bool whole = false;
  if (!file.staging) {
    whole = finish(file);
  } else if (!file.failed && file.staging->flush()) {
    staging::hold(file.name, std::move(file.staging));  // still locked, until published
    whole = true;
  }
  open_files().erase(found);
  return whole ? 1 : -1;
}

}  // namespace runtime
