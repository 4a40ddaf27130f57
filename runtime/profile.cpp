#include "runtime/profile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "runtime/fault_injection.h"
#include "runtime/file_system.h"
#include "runtime/profile_parse.h"

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

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::ProfileWriteStep;

// How long a writer waits for another writer to finish with the file.
constexpr auto lock_wait = std::chrono::seconds(2);
constexpr auto lock_poll = std::chrono::milliseconds(10);

std::atomic<ProfileWriteStep> pending_failure{ProfileWriteStep::none};

// True, once, when a test has asked for `step` to fail.
bool injected_failure(ProfileWriteStep step) {
  ProfileWriteStep expected = step;
  return pending_failure.compare_exchange_strong(expected, ProfileWriteStep::none);
}

fs::path native_path(std::string_view name) {
#ifdef _WIN32
  return fs::path(wide_file_name(name));
#else
  return fs::path(std::string(name));
#endif
}

// The file a name stands for. A symbolic link is followed to the file it
// points to, so the edit lands there and the link stays a link. Empty for a
// loop of links.
fs::path resolve_links(fs::path target) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) return target;
    fs::path link = fs::read_symlink(target, error);
    if (error) return {};
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return {};
}

// A fresh name beside the target for the new content.
fs::path temporary_name(const fs::path& target) {
  fs::path name = target;
  name += temporary_sibling_suffix();
  return name;
}

// Plans the file's new content from its current one (empty for a missing
// file): the pieces to write, in order; `scratch` keeps alive what they
// point into. Empty pieces and a false result: the content cannot be edited.
using Planner = std::function<bool(std::string_view content, std::string& scratch,
                                   std::array<std::string_view, 3>& pieces)>;

// Reads a whole file straight into `content`; `size` is what the file
// should hold, and one byte more is asked for so that the end shows at once.
template <typename ReadSome>
bool read_whole(std::size_t size, std::string& content, ReadSome read_some) {
  content.resize(size + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == content.size()) content.resize(content.size() * 2);
    const long long got = read_some(content.data() + used, content.size() - used);
    if (got < 0) return false;
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  content.resize(used);
  return true;
}

// Writes the pieces with `write_all`; a test may make this fail half-way.
template <typename WriteAll>
bool write_pieces(const std::array<std::string_view, 3>& pieces, WriteAll write_all) {
  if (injected_failure(ProfileWriteStep::write)) {
    write_all(pieces[0].substr(0, pieces[0].size() / 2));
    return false;
  }
  return std::all_of(pieces.begin(), pieces.end(), write_all);
}

#ifdef _WIN32

struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

HANDLE open_for_reading(const fs::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool read_all(HANDLE file, std::string& content) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return false;
  return read_whole(static_cast<std::size_t>(size.QuadPart), content, [file](char* into, std::size_t room) {
    DWORD got = 0;
    const auto ask = static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30));
    return ReadFile(file, into, ask, &got, nullptr) ? static_cast<long long>(got) : -1LL;
  });
}

bool write_all(HANDLE file, std::string_view data) {
  while (!data.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(data.size(), 1u << 30));
    DWORD done = 0;
    if (!WriteFile(file, data.data(), chunk, &done, nullptr) || done == 0) return false;
    data.remove_prefix(done);
  }
  return true;
}

bool read_file(const fs::path& file, std::string& content) {
  Handle in{open_for_reading(file)};  // a directory does not open this way
  return in.h != INVALID_HANDLE_VALUE && GetFileType(in.h) == FILE_TYPE_DISK && read_all(in.h, content);
}

// Cooperating writers take a named mutex for the file. A lock on the file
// itself would not outlast the rename, and a writer that held the file open
// while it waited would keep Windows from renaming over it.
class WriterLock {
 public:
  WriterLock(const fs::path& target, Clock::time_point deadline)
      : mutex_(CreateMutexW(nullptr, FALSE, mutex_name(target).c_str())) {
    if (mutex_ == nullptr) return;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const DWORD waited = WaitForSingleObject(mutex_, static_cast<DWORD>(std::max<long long>(left.count(), 0)));
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;  // a writer that died let go
  }
  ~WriterLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  bool held() const { return held_; }

 private:
  // One name per file, whatever the letter case or relative form of its name.
  static std::wstring mutex_name(const fs::path& target) {
    std::error_code error;
    std::wstring full = fs::absolute(target, error).wstring();
    CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a
    for (const wchar_t c : full) hash = (hash ^ static_cast<unsigned long long>(c)) * 1099511628211ull;
    wchar_t digits[17] = {};
    for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = L"0123456789abcdef"[hash & 15];
    return std::wstring(L"Local\\kestrel-profile-") + digits;
  }

  HANDLE mutex_;
  bool held_ = false;
};

// A program that has the file open for a moment (a reader) keeps Windows
// from renaming over it: try again for a while.
bool move_into_place(const fs::path& temp, const fs::path& target) {
  const auto deadline = Clock::now() + lock_wait;
  for (;;) {
    if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || Clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(lock_poll);
  }
}

// Writes content to a new file beside the target and renames it over the
// target. `attributes` are the old file's, or INVALID_FILE_ATTRIBUTES.
bool install(const fs::path& target, const std::array<std::string_view, 3>& pieces, DWORD attributes) {
  fs::path temp;
  Handle out;
  for (int attempt = 0; attempt < 100 && out.h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = temporary_name(target);
    out.h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out.h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (out.h == INVALID_HANDLE_VALUE) return false;
  bool ok = write_pieces(pieces, [&out](std::string_view data) { return write_all(out.h, data); });
  ok = ok && !injected_failure(ProfileWriteStep::fsync) && FlushFileBuffers(out.h);
  ok = CloseHandle(out.h) && ok;
  out.h = INVALID_HANDLE_VALUE;
  if (ok && attributes != INVALID_FILE_ATTRIBUTES) {
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    ok = SetFileAttributesW(temp.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != 0;
  }
  ok = ok && !injected_failure(ProfileWriteStep::rename) && move_into_place(temp, target);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

bool write_file(const fs::path& target, const Planner& plan) {
  const WriterLock lock(target, Clock::now() + lock_wait);
  if (!lock.held()) return false;
  std::string scratch;
  std::array<std::string_view, 3> pieces;
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return plan({}, scratch, pieces) && install(target, pieces, INVALID_FILE_ATTRIBUTES);
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
  std::string content;
  if (!read_file(target, content)) return false;
  return plan(content, scratch, pieces) && install(target, pieces, attributes);
}

#else  // POSIX

struct Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);
  }
};

bool read_all(int fd, const struct stat& info, std::string& content) {
  return read_whole(static_cast<std::size_t>(info.st_size), content, [fd](char* into, std::size_t room) {
    ssize_t got;
    while ((got = ::read(fd, into, room)) < 0 && errno == EINTR) {}
    return static_cast<long long>(got);
  });
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t done = ::write(fd, data.data(), data.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// Opens a regular file for reading; O_NONBLOCK keeps a FIFO from hanging us.
int open_regular(const fs::path& file, struct stat& info) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool read_file(const fs::path& file, std::string& content) {
  struct stat info {};
  Handle in{open_regular(file, info)};
  return in.fd >= 0 && read_all(in.fd, info, content);
}

// Writable for us, and not marked read-only: a file or directory with every
// write bit cleared is left alone even by the superuser, whom access()
// would let through, as Windows leaves a file with the read-only attribute.
bool permits_writing(const fs::path& name, const struct stat& info) {
  return ::access(name.c_str(), W_OK) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool lock_exclusive(int fd, Clock::time_point deadline) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if ((errno != EWOULDBLOCK && errno != EINTR) || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(lock_poll);
  }
}

// Writes content to a new file beside the target, with the old file's
// owner (where we may) and permission bits, and renames it over the target.
// The new file is flushed before the rename, so after a crash the name holds
// the old content or the new, whole. The directory is not flushed: losing
// the rename itself to a power cut leaves the old file, which is whole too,
// and saves a second disk flush on every key written.
bool install(const fs::path& target, const std::array<std::string_view, 3>& pieces,
             const struct stat* old) {
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = temporary_name(target);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = true;
  if (old != nullptr) {
    // Only the superuser may give a file away; otherwise the new file stays ours.
    if (::fchown(fd, old->st_uid, old->st_gid) != 0) {}
    ok = ::fchmod(fd, old->st_mode & 07777) == 0;
  }
  ok = ok && write_pieces(pieces, [fd](std::string_view data) { return write_all(fd, data); });
  ok = ok && !injected_failure(ProfileWriteStep::fsync) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && !injected_failure(ProfileWriteStep::rename) && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

bool write_file(const fs::path& target, const Planner& plan) {
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const auto deadline = Clock::now() + lock_wait;
  for (;;) {
    struct stat dir_info {};
    if (::stat(directory.c_str(), &dir_info) != 0 || !S_ISDIR(dir_info.st_mode) ||
        !permits_writing(directory, dir_info)) {
      return false;
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
      if (errno != ENOENT) return false;
      std::string scratch;
      std::array<std::string_view, 3> pieces;
      return plan({}, scratch, pieces) && install(target, pieces, nullptr);
    }
    if (!S_ISREG(info.st_mode) || !permits_writing(target, info)) return false;
    struct stat held {};
    Handle original{open_regular(target, held)};
    if (original.fd < 0 || !lock_exclusive(original.fd, deadline)) return false;
    struct stat current {};
    if (::stat(target.c_str(), &current) != 0 || current.st_dev != held.st_dev ||
        current.st_ino != held.st_ino) {
      if (Clock::now() >= deadline) return false;
      continue;  // another writer put a new file in place while we waited
    }
    std::string content;
    if (!read_all(original.fd, held, content)) return false;
    std::string scratch;
    std::array<std::string_view, 3> pieces;
    return plan(content, scratch, pieces) && install(target, pieces, &held);
  }
}

#endif

bool write_profile(std::string_view file, const Planner& plan) {
  if (file.empty()) return false;
  const fs::path target = resolve_links(native_path(file));
  return !target.empty() && write_file(target, plan);
}

}  // namespace

namespace testing {

void fail_next_profile_write_step(ProfileWriteStep step) { pending_failure.store(step); }

}  // namespace testing

std::string profile_read(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view default_value) {
  std::string content;
  if (file.empty() || !read_file(native_path(file), content) || profile::utf16_byte_order_mark(content)) {
    return std::string(default_value);
  }
  const profile::Lookup found = profile::find_key(content, section, key);
  return std::string(found.has_value ? profile::unquote(found.raw_value) : default_value);
}

bool profile_write(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) {
  // One key: the new content is written around the old bytes, never copied whole.
  return write_profile(file, [&](std::string_view content, std::string& scratch,
                                 std::array<std::string_view, 3>& pieces) {
    if (profile::utf16_byte_order_mark(content)) return false;
    profile::Edit edit = profile::plan_key_edit(content, section, key, value);
    scratch = std::move(edit.insert);
    pieces = {content.substr(0, edit.keep_before), scratch, content.substr(edit.keep_after)};
    return true;
  });
}

ProfileText::ProfileText(std::string content) : content_(std::move(content)) {}

std::string ProfileText::read(std::string_view section, std::string_view key,
                              std::string_view default_value) const {
  if (profile::utf16_byte_order_mark(content_)) return std::string(default_value);
  const profile::Lookup found = profile::find_key(content_, section, key);
  return std::string(found.has_value ? profile::unquote(found.raw_value) : default_value);
}

void ProfileText::write(std::string_view section, std::string_view key, std::string_view value) {
  const profile::Edit edit = profile::plan_key_edit(content_, section, key, value);
  content_.replace(edit.keep_before, edit.keep_after - edit.keep_before, edit.insert);
}

bool profile_update(std::string_view file, const ProfileEdits& edits) {
  return write_profile(file, [&](std::string_view content, std::string& scratch,
                                 std::array<std::string_view, 3>& pieces) {
    if (profile::utf16_byte_order_mark(content)) return false;
    ProfileText text{std::string(content)};
    edits(text);
    scratch = text.content();
    pieces = {scratch, {}, {}};
    return true;
  });
}

std::optional<std::string> profile_preview(std::string_view file, const ProfileEdits& edits) {
  std::string content;
  const fs::path target = resolve_links(native_path(file));
  if (file.empty() || target.empty()) return std::nullopt;
  std::error_code error;
  if (fs::exists(target, error) && !read_file(target, content)) return std::nullopt;
  if (profile::utf16_byte_order_mark(content)) return std::nullopt;
  ProfileText text{std::move(content)};
  edits(text);
  return text.content();
}

}  // namespace runtime
