#include "runtime/temporary_file.h"

#include <cstring>
#include <string>
#include <vector>

#include "runtime/file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace runtime::temporary {

namespace fs = std::filesystem;

#ifdef _WIN32

Native create_held(const fs::path& target, fs::path& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target;
    name += temporary_sibling_suffix();
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

Native create_held(const fs::path& target, fs::path& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target;
    name += temporary_sibling_suffix();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    return fd;
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
