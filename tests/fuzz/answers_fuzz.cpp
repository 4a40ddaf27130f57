// libFuzzer target: the checks of a live release on arbitrary answers (see
// answers_case.h).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "answers_case.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string broken = fuzz::run_answers_case(data, size);
  if (!broken.empty()) {
    std::fprintf(stderr, "answers case broke a rule: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
