// libFuzzer target: arbitrary bytes as a package, read and judged (see
// package_case.h).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "package_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("kestrel-package-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    static const std::filesystem::path made = dir;
    std::atexit([] { std::filesystem::remove_all(made); });
    return dir.string();
  }();
  const std::string broken = fuzz::run_package_case(data, size, folder);
  if (!broken.empty()) {
    std::fprintf(stderr, "package case broke a rule: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
