// libFuzzer target: the twelve checks on six arbitrary byte strings (see
// input_checks_case.h).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input_checks_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string broken = fuzz::run_input_checks_case(data, size);
  if (!broken.empty()) {
    std::fprintf(stderr, "input checks case broke a rule: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
