#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "runtime/files/file_read.h"
#include "runtime/files/file_system.h"
#include "runtime/files/replacement.h"

namespace runtime {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using temporary::Placed;
using testing::ReplacementStep;

struct Replacement::State {
  fs::path target;
  Mode mode;
  HANDLE mutex = nullptr;
  bool held = false;
  bool exists = false;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  fs::path temporary;
  HANDLE out = INVALID_HANDLE_VALUE;
  bool flushed = false;
  bool placed = false;
};

namespace {

// Cooperating writers take a named mutex for the file. A lock on the file
// itself would not outlast the rename, and a writer that held the file open
// while it waited would keep Windows from renaming over it. One name per
// file, whatever the letter case or relative form of its name.
std::wstring mutex_name(const fs::path& target) {
  std::error_code error;
  std::wstring full = fs::absolute(target, error).wstring();
  CharLowerBuffW(full.data(), static_cast<DWORD>(full.size()));
  unsigned long long hash = 14695981039346656037ull;  // FNV-1a
  for (const wchar_t c : full) hash = (hash ^ static_cast<unsigned long long>(c)) * 1099511628211ull;
  wchar_t digits[17] = {};
  for (int i = 15; i >= 0; --i, hash >>= 4) digits[i] = L"0123456789abcdef"[hash & 15];
  return std::wstring(L"Local\\kestrel-profile-") + digits;
}

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

// The attributes that mark a file stay with it when the new content takes its place.
bool keep_attributes(HANDLE file, DWORD attributes) {
  const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                   FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
  FILE_BASIC_INFO basic{};  // times left at zero stay as they are
  basic.FileAttributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic) != 0;
}

}  // namespace

Replacement::Replacement(fs::path target, Mode mode) : state_(std::make_unique<State>()) {
  state_->target = std::move(target);
  state_->mode = mode;
}

Replacement::~Replacement() {
  State& s = *state_;
  if (s.out != INVALID_HANDLE_VALUE) {
    if (!s.placed) temporary::delete_on_close(s.out);
    CloseHandle(s.out);
  }
  if (s.held) ReleaseMutex(s.mutex);
  if (s.mutex != nullptr) CloseHandle(s.mutex);
}

bool Replacement::lock(Clock::time_point deadline) {
  State& s = *state_;
  s.mutex = CreateMutexW(nullptr, FALSE, mutex_name(s.target).c_str());
  if (s.mutex == nullptr) return false;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  const DWORD waited = WaitForSingleObject(s.mutex, static_cast<DWORD>(std::max<long long>(left.count(), 0)));
  s.held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;  // a writer that died let go
  if (!s.held) return false;
  temporary::remove_stale(s.target);
  if (s.mode == Mode::create) return true;
  s.attributes = GetFileAttributesW(s.target.c_str());
  s.exists = s.attributes != INVALID_FILE_ATTRIBUTES;
  if (!s.exists) return GetLastError() == ERROR_FILE_NOT_FOUND;
  return !(s.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

bool Replacement::target_exists() const { return state_->exists; }

bool Replacement::read_target(std::string& content) { return read_file(state_->target, content); }

bool Replacement::open_temporary(const fs::path& name) {
  State& s = *state_;
  s.temporary = name;
  s.out = temporary::create_held(s.target, s.temporary);
  return s.out != INVALID_HANDLE_VALUE;
}

bool Replacement::write(std::string_view bytes) {
  const HANDLE out = state_->out;
  if (replacement::injected_failure(ReplacementStep::write, state_->target)) {
    temporary::write_all(out, bytes.substr(0, bytes.size() / 2));
    return false;
  }
  return out != INVALID_HANDLE_VALUE && temporary::write_all(out, bytes);
}

bool Replacement::flush() {
  State& s = *state_;
  s.flushed = s.out != INVALID_HANDLE_VALUE && !replacement::injected_failure(ReplacementStep::flush, s.target) &&
              FlushFileBuffers(s.out);
  return s.flushed;
}

Placed Replacement::commit() {
  State& s = *state_;
  if (s.out == INVALID_HANDLE_VALUE || (!s.flushed && !flush())) return Placed::failed;
  const bool replace = s.mode == Mode::edit && s.exists;
  if ((replace && !keep_attributes(s.out, s.attributes)) || replacement::injected_failure(ReplacementStep::rename, s.target))
    return Placed::failed;
  const Placed placed = move_into_place(s.out, s.target, replace);
  s.placed = placed == Placed::placed;
  return placed;
}

// The held handle lets nobody else open the temporary, so it is read through it.
bool Replacement::read_temporary(std::string& content) {
  const HANDLE in = state_->out;
  LARGE_INTEGER start{};
  if (in == INVALID_HANDLE_VALUE || !SetFilePointerEx(in, start, nullptr, FILE_BEGIN)) return false;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    content.append(buffer, got);
  }
}

}  // namespace runtime

#endif
