// libFuzzer target: arbitrary bytes converted from GBK and from UTF-8 (see
// gbk_case.h).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gbk_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string broken = fuzz::run_gbk_case(data, size);
  if (!broken.empty()) {
    std::fprintf(stderr, "GBK case broke a rule: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
