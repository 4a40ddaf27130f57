#include "runtime/file_system.h"

#include <random>

#ifdef _WIN32
#include <windows.h>

#include "runtime/wide_text.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace runtime {

std::string temporary_sibling_suffix() {
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
  std::string suffix = ".kestrel-";
  auto bits = random();
  for (int digit = 0; digit < 16; ++digit, bits >>= 4) suffix += hex[bits & 15];
  return suffix;
}

#ifdef _WIN32

std::wstring wide_file_name(std::string_view name) { return wide_text(name, gbk_code_page); }

bool file_exists(std::string_view name) {
  const DWORD attributes = GetFileAttributesW(wide_file_name(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

#else

bool file_exists(std::string_view name) {
  struct stat info {};
  return stat(std::string(name).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

#endif

}  // namespace runtime
