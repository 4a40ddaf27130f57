#ifdef _WIN32

#include <windows.h>

#include <thread>

#include "runtime/files/profile_store.h"
#include "runtime/files/temporary_file.h"

namespace runtime::profile_store {

namespace {

namespace fs = std::filesystem;
using temporary::Placed;
using testing::ProfileWriteStep;

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
Placed move_into_place(HANDLE file, const fs::path& target, bool replace) {
  const auto deadline = Clock::now() + lock_wait;
  for (;;) {
    const Placed placed = temporary::rename_held(file, target, replace);
    if (placed != Placed::failed) return placed;
    const DWORD error = GetLastError();
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || Clock::now() >= deadline) {
      return Placed::failed;
    }
    std::this_thread::sleep_for(lock_poll);
  }
}

// Writes the content to a new temporary beside the target and renames it,
// through the handle that holds it from its creation, over the target, or
// for a missing file (`attributes` INVALID_FILE_ATTRIBUTES) only while no
// file has that name. Otherwise `attributes` are the old file's; the ones
// that mark a file stay with it.
Placed install(const fs::path& target, std::string_view content, DWORD attributes) {
  fs::path temp;
  Handle out{temporary::create_held(target, temp)};
  if (out.h == INVALID_HANDLE_VALUE) return Placed::failed;
  bool ok = write_content(content, [&out](std::string_view data) { return write_all(out.h, data); });
  ok = ok && !injected_failure(ProfileWriteStep::fsync) && FlushFileBuffers(out.h);
  const bool create = attributes == INVALID_FILE_ATTRIBUTES;
  if (ok && !create) {
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    FILE_BASIC_INFO basic{};  // times left at zero stay as they are
    basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
    ok = SetFileInformationByHandle(out.h, FileBasicInfo, &basic, sizeof basic) != 0;
  }
  Placed placed = Placed::failed;
  if (ok && !injected_failure(ProfileWriteStep::rename)) placed = move_into_place(out.h, target, !create);
  if (placed != Placed::placed) temporary::delete_on_close(out.h);
  return placed;
}

}  // namespace

bool read_file(const fs::path& file, std::string& content) {
  Handle in{open_for_reading(file)};  // a directory does not open this way
  return in.h != INVALID_HANDLE_VALUE && GetFileType(in.h) == FILE_TYPE_DISK && read_all(in.h, content);
}

bool write_file(const fs::path& target, const Planner& plan) {
  const auto deadline = Clock::now() + lock_wait;
  const WriterLock lock(target, deadline);
  if (!lock.held()) return false;
  temporary::remove_stale(target);
  for (;;) {
    std::string planned;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND || !plan({}, planned)) return false;
      const Placed placed = install(target, planned, INVALID_FILE_ATTRIBUTES);
      if (placed != Placed::name_taken) return placed == Placed::placed;
      if (Clock::now() >= deadline) return false;
      continue;  // a file of that name appeared meanwhile: this becomes an edit of it
    }
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;
    std::string content;
    if (!read_file(target, content)) return false;
    return plan(content, planned) && install(target, planned, attributes) == Placed::placed;
  }
}

}  // namespace runtime::profile_store

#endif
