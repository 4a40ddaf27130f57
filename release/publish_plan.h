#pragma once
// Where publishing puts each file: Update.txt into TARGET under the last
// part of the descriptor address; the package under the last part of its
// address into --package-to, or, when the package address lies in the
// descriptor address's folder or below it on the same host, at the same
// place below TARGET.
#include <optional>
#include <string>

#include "release/fields.h"

namespace release {

struct PublishPlan {
  std::string descriptor_address;  // GBK, from UpdateConfig.ini
  std::string package_address;     // GBK, from Update.txt
  std::string descriptor_name;     // under TARGET: the bytes the server's disk has
  std::string package_name;        // under the package's target, likewise
  std::string package_file;        // the local package, UTF-8
};

// None (and `error` set, UTF-8) when a place cannot be told: an address
// that names no file, or a package elsewhere without --package-to.
std::optional<PublishPlan> plan_publication(const Values& local, const std::optional<std::string>& package_file,
                                            bool package_to_given, std::string& error);

}  // namespace release
