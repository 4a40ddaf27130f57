#include "release/publish_plan.h"

#include "runtime/network/upload.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace release {
namespace {

using runtime::utf8;

// An address's scheme and host (with port), in lower case, and its path
// without query or fragment.
struct Parts {
  std::string origin;
  std::string path;
};
Parts parts_of(const std::string& address) {
  const auto start = address.find("://");
  if (start == std::string::npos) return {"", address};
  const auto slash = address.find_first_of("/?#", start + 3);
  Parts parts{runtime::string_lower(address.substr(0, slash)), slash == std::string::npos ? "/" : address.substr(slash)};
  parts.path = parts.path.substr(0, parts.path.find_first_of("?#"));
  if (parts.path.empty()) parts.path = "/";
  return parts;
}

// The last part of the address's path, decoded; "" when it ends in '/'.
std::string file_name(const std::string& address) {
  const std::string path = parts_of(address).path;
  return runtime::percent_decoded(path.substr(path.rfind('/') + 1));
}

// The address without its last part: the folder the file is in.
std::string folder_address(const std::string& address) {
  const auto start = address.find("://");
  const auto end = address.find_first_of("?#", start == std::string::npos ? 0 : start + 3);
  return address.substr(0, address.rfind('/', end) + 1);
}

}  // namespace

std::optional<PublishPlan> plan_publication(const Values& local, const std::optional<std::string>& package_file,
                                            bool package_to_given, std::string& error) {
  PublishPlan plan;
  plan.descriptor_address = local[FieldId::update_url].text;
  plan.package_address = local[FieldId::package_url].text;
  plan.descriptor_name = file_name(plan.descriptor_address);
  if (plan.descriptor_name.empty()) {
    error = "the descriptor address " + utf8(plan.descriptor_address) +
            " (UpdateConfig.ini, [Update] URL) names no file to put Update.txt under";
    return std::nullopt;
  }
  const std::string package_leaf = file_name(plan.package_address);
  if (package_leaf.empty()) {
    error = "the package address " + utf8(plan.package_address) + " (Update.txt, URL) names no file";
    return std::nullopt;
  }
  plan.package_file = package_file ? *package_file : utf8(package_leaf);
  if (package_to_given) {
    plan.package_name = package_leaf;
    return plan;
  }
  const Parts descriptor = parts_of(plan.descriptor_address), package = parts_of(plan.package_address);
  const std::string folder = descriptor.path.substr(0, descriptor.path.rfind('/') + 1);
  if (descriptor.origin.empty() || descriptor.origin != package.origin || !package.path.starts_with(folder)) {
    error = "--package-to is required: the package address " + utf8(plan.package_address) +
            " does not lie in the descriptor's folder " + utf8(folder_address(plan.descriptor_address)) +
            " or below it on the same host, so its place on the server cannot be told from TARGET";
    return std::nullopt;
  }
  plan.package_name = runtime::percent_decoded(package.path.substr(folder.size()));
  return plan;
}

}  // namespace release
