#include <mutex>
#include <string>

#include "runtime/files/replacement.h"

namespace runtime {
namespace {

struct PendingFailure {
  std::mutex mutex;
  testing::ReplacementStep step = testing::ReplacementStep::none;
  std::string file_name;
};

PendingFailure& pending() {
  static PendingFailure failure;
  return failure;
}

}  // namespace

bool replacement::injected_failure(testing::ReplacementStep step, const std::filesystem::path& target) {
  PendingFailure& failure = pending();
  const std::lock_guard<std::mutex> held(failure.mutex);
  if (failure.step != step || (!failure.file_name.empty() && target.filename() != failure.file_name)) return false;
  failure.step = testing::ReplacementStep::none;
  return true;
}

void testing::fail_next_replacement_step(ReplacementStep step, std::string_view file_name) {
  PendingFailure& failure = pending();
  const std::lock_guard<std::mutex> held(failure.mutex);
  failure.step = step;
  failure.file_name = std::string(file_name);
}

}  // namespace runtime
