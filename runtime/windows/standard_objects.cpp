#include "runtime/windows/standard_objects.h"

#include <array>

namespace runtime {
namespace {

constexpr std::array<std::string_view, 5> standard_classes = {
    "transaction", "dynamicdescriptionarea", "dynamicstagingarea", "error", "message"};

int creations_until_fault = 0;
int destructions_until_fault = 0;

// Counts one call down to an injected fault; true when this call must fail.
bool injected_fault(int& countdown) {
  if (countdown <= 0) return false;
  return --countdown == 0;
}

}  // namespace

std::unique_ptr<StandardObject> create_object(std::string_view class_name) {
  bool known = false;
  for (std::string_view name : standard_classes) known = known || name == class_name;
  if (!known || injected_fault(creations_until_fault)) return nullptr;
  testing::object_log().push_back("create " + std::string(class_name));
  return std::make_unique<StandardObject>(std::string(class_name));
}

bool destroy_object(std::unique_ptr<StandardObject>& object) {
  if (!object || injected_fault(destructions_until_fault)) return false;
  testing::object_log().push_back("destroy " + object->class_name());
  object.reset();
  return true;
}

namespace testing {
void fail_nth_creation(int n) { creations_until_fault = n; }
void fail_nth_destruction(int n) { destructions_until_fault = n; }
std::vector<std::string>& object_log() {
  static std::vector<std::string> log;
  return log;
}
}  // namespace testing

}  // namespace runtime
