#include "runtime/files/temporary_file.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>


#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace runtime::temporary {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view marker = ".kestrel-";
constexpr std::size_t digits = 16;

bool is_hex_digit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

fs::path directory_of(const fs::path& target) {
  return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

std::string sibling_suffix() {
  thread_local std::mt19937_64 random{std::random_device{}()};
#ifndef _WIN32
  // A forked child would draw the very names its parent draws.
  thread_local pid_t seeded_in = ::getpid();
  if (seeded_in != ::getpid()) {
    random.seed(std::random_device{}());
    seeded_in = ::getpid();
  }
#endif
  static const char hex[] = "0123456789abcdef";
  std::string suffix(marker);
  auto bits = random();
  for (std::size_t digit = 0; digit < digits; ++digit, bits >>= 4) suffix += hex[bits & 15];
  return suffix;
}


bool is_temporary_name(std::string_view name) {
  if (name.size() < marker.size() + digits) return false;
  const std::string_view tail = name.substr(name.size() - digits);
  return name.substr(name.size() - digits - marker.size(), marker.size()) == marker &&
         std::all_of(tail.begin(), tail.end(), is_hex_digit);
}

std::string target_name(std::string_view temporary_name) {
  return std::string(temporary_name.substr(0, temporary_name.size() - marker.size() - digits));
}

bool is_temporary_of(std::string_view entry, std::string_view target_name) {
  return entry.size() == target_name.size() + marker.size() + digits &&
         entry.substr(0, target_name.size()) == target_name && is_temporary_name(entry);
}

#ifdef _WIN32

bool write_all(Native file, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data(), chunk, &done, nullptr) || done == 0) return false;
    bytes.remove_prefix(done);
  }
  return true;
}

void remove_stale(const fs::path& target) {
  const std::string name = target.filename().string();
  std::error_code error;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(directory_of(target), error), end; !error && it != end; it.increment(error)) {
    if (is_temporary_of(it->path().filename().string(), name)) stale.push_back(it->path());
  }
  // A running writer's handle shares no deleting, so its file stays.
  for (const fs::path& path : stale) DeleteFileW(path.c_str());
}

Native create_held(const fs::path& target, fs::path& name) {
  const bool named = !name.empty();
  for (int attempt = 0; attempt < (named ? 1 : 100); ++attempt) {
    if (!named) name = fs::path(target) += sibling_suffix();
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (GetLastError() != ERROR_FILE_EXISTS) break;
  }
  return no_file;
}

Placed rename_held(Native file, const fs::path& target, bool replace) {
  std::error_code error;
  const std::wstring full = fs::absolute(target, error).wstring();
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + (full.size() + 1) * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(full.size() * sizeof(wchar_t));
  std::memcpy(info->FileName, full.c_str(), (full.size() + 1) * sizeof(wchar_t));
  if (SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size()))) {
    return Placed::placed;
  }
  const DWORD why = GetLastError();
  if (!replace && (why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS)) return Placed::name_taken;
  SetLastError(why);
  return Placed::failed;
}

void delete_on_close(Native file) {
  FILE_DISPOSITION_INFO dispose{};
  dispose.DeleteFile = TRUE;
  SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
}

#else

namespace {

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// True while `name` still stands for the open file.
bool still_named(int fd, const fs::path& name) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 && same_file(held, named);
}

}  // namespace

bool write_all(Native file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(file, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

void remove_stale(const fs::path& target) {
  const std::string name = target.filename().string();
  struct stat target_info {};
  const bool target_there = ::stat(target.c_str(), &target_info) == 0;
  std::error_code error;
  for (fs::directory_iterator it(directory_of(target), error), end; !error && it != end; it.increment(error)) {
    if (!is_temporary_of(it->path().filename().string(), name)) continue;
    const fs::path temp = it->path();
    const int fd = ::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
      // A second name of the file itself, left by a writer killed between
      // its link and dropping the temporary name, holds nothing of its own.
      const bool spare_name = target_there && same_file(info, target_info);
      if (spare_name || (::flock(fd, LOCK_EX | LOCK_NB) == 0 && still_named(fd, temp))) ::unlink(temp.c_str());
    }
    ::close(fd);
  }
}

Native create_held(const fs::path& target, fs::path& name) {
  const bool named = !name.empty();
  for (int attempt = 0; attempt < (named ? 1 : 100); ++attempt) {
    if (!named) name = fs::path(target) += sibling_suffix();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    // Where the file system has no flock, the file goes unlocked: a cleaner
    // there cannot lock it either, and so leaves it alone.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {}
    if (still_named(fd, name)) return fd;
    ::close(fd);  // a cleaner took the new file for a leftover before the lock: another name
  }
  return no_file;
}

Placed place_new(const fs::path& temp, const fs::path& target) {
  if (::link(temp.c_str(), target.c_str()) == 0) {
    ::unlink(temp.c_str());
    return Placed::placed;
  }
  if (errno == EEXIST) return Placed::name_taken;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return Placed::placed;
  if (errno == EEXIST) return Placed::name_taken;
  if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) return Placed::unsupported;
  return Placed::failed;
#else
  return Placed::unsupported;
#endif
}

#endif

}  // namespace runtime::temporary
