#ifdef _WIN32

#include <windows.h>

#include <algorithm>

#include "runtime/files/file_read.h"
#include "runtime/text/wide_text.h"

namespace runtime {
namespace {

struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

bool fail(std::string* error, std::string why) {
  if (error) *error = std::move(why);
  return false;
}

// Opens a file on disk for reading, letting others read, write and rename it meanwhile.
bool open_regular(const std::filesystem::path& file, Handle& in, std::string* error) {
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return fail(error, "it is a directory");
  in.h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in.h == INVALID_HANDLE_VALUE) return fail(error, system_error_text(GetLastError()));
  if (GetFileType(in.h) != FILE_TYPE_DISK) return fail(error, "it is not a regular file");
  return true;
}

// Reads into `into`; the bytes read, 0 at the end, -1 on an error.
long long read_some(HANDLE file, char* into, std::size_t room) {
  DWORD got = 0;
  const auto ask = static_cast<DWORD>(std::min<std::size_t>(room, 1u << 30));
  return ReadFile(file, into, ask, &got, nullptr) ? static_cast<long long>(got) : -1LL;
}

}  // namespace

bool read_file(const std::filesystem::path& file, std::string& content, std::string* error) {
  Handle in;
  if (!open_regular(file, in, error)) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(in.h, &size)) return fail(error, system_error_text(GetLastError()));
  const auto read = [&in](char* into, std::size_t room) { return read_some(in.h, into, room); };
  return file_read::read_whole(static_cast<std::size_t>(size.QuadPart), content, read) ||
         fail(error, system_error_text(GetLastError()));
}

bool read_file_pieces(const std::filesystem::path& file, const std::function<void(std::string_view)>& piece,
                      std::string* error) {
  Handle in;
  if (!open_regular(file, in, error)) return false;
  std::string buffer(file_read::block_size, '\0');
  for (;;) {
    const long long got = read_some(in.h, buffer.data(), buffer.size());
    if (got < 0) return fail(error, system_error_text(GetLastError()));
    if (got == 0) return true;
    piece(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
}

std::filesystem::path path_from_utf8(std::string_view name) { return std::filesystem::path(wide_text(name)); }

}  // namespace runtime

#endif
