// libFuzzer target: profile files of arbitrary bytes, read and edited with
// arbitrary sections, keys and values (see profile_case.h). Works in a
// directory of its own on a memory file system where there is one.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "profile_case.h"

namespace {

std::filesystem::path work_dir;

void remove_work_dir() {
  std::error_code error;
  std::filesystem::remove_all(work_dir, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::error_code error;
  const std::filesystem::path base =
      std::filesystem::is_directory("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                : std::filesystem::temp_directory_path(error);
  work_dir = base / ("kestrel-profile-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(work_dir, error);
  std::atexit(remove_work_dir);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string broken = fuzz::run_profile_case(data, size, work_dir);
  if (!broken.empty()) {
    std::fprintf(stderr, "profile case broke a rule: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
