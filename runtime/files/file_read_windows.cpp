#ifdef _WIN32

#include <windows.h>

#include <algorithm>

#include "runtime/files/file_read.h"
#include "runtime/text/wide_text.h"

namespace runtime {
namespace file_read {
namespace {

HANDLE native(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

Source::~Source() {
  if (native(handle_) != INVALID_HANDLE_VALUE) CloseHandle(native(handle_));
}

// Others may read, write and rename the file meanwhile.
bool Source::open(const std::filesystem::path& file, std::string* error) {
  const auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return fail("it is a directory");
  handle_ = reinterpret_cast<std::intptr_t>(CreateFileW(file.c_str(), GENERIC_READ,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (native(handle_) == INVALID_HANDLE_VALUE) return fail(error_text());
  if (GetFileType(native(handle_)) != FILE_TYPE_DISK) return fail("it is not a regular file");
  if (!GetFileSizeEx(native(handle_), &size)) return fail(error_text());
  size_ = static_cast<std::size_t>(size.QuadPart);
  return true;
}

std::size_t Source::size() const { return size_; }

long long Source::read_some(char* into, std::size_t room) {
  DWORD got = 0;
  const auto ask = static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30));
  return ReadFile(native(handle_), into, ask, &got, nullptr) ? static_cast<long long>(got) : -1LL;
}

std::string Source::error_text() { return system_error_text(GetLastError()); }

}  // namespace file_read

std::filesystem::path path_from_utf8(std::string_view name) { return std::filesystem::path(wide_text(name)); }

}  // namespace runtime

#endif
