#pragma once
// The runtime's standard classes behind the application's five globals:
// transaction, dynamicdescriptionarea, dynamicstagingarea, error, message.
// The program only creates and destroys them, so they carry no members.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

class StandardObject {
 public:
  explicit StandardObject(std::string class_name) : class_name_(std::move(class_name)) {}
  const std::string& class_name() const { return class_name_; }

 private:
  std::string class_name_;
};

// A new object of the named class, or null when it cannot be created.
std::unique_ptr<StandardObject> create_object(std::string_view class_name);

// Destroys the object and empties the reference; on failure both stay.
bool destroy_object(std::unique_ptr<StandardObject>& object);

namespace testing {
// Test seams: make the n-th creation or destruction from now on fail (1 is
// the next one; 0 turns the fault off), and see what happened, in order, as
// "create <class>" and "destroy <class>" entries.
void fail_nth_creation(int n);
void fail_nth_destruction(int n);
std::vector<std::string>& object_log();
}  // namespace testing

}  // namespace runtime
