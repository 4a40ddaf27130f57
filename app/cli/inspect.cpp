#include "app/cli/inspect.h"

#include "app/cli/terminal.h"
#include "app/cli/verify_output.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "release/package_contents.h"
#include "release/prefill.h"

namespace cli {
namespace {

using json = nlohmann::ordered_json;

const VerdictWords package_words = {"the clients will unpack this package as intended",
                                    "the package would not install as intended",
                                    "the package could not be checked"};

json entries_json(const std::vector<release::PackageEntry>& entries) {
  json list = json::array();
  for (const release::PackageEntry& entry : entries) list.push_back({{"name", entry.name}, {"size", entry.size}});
  return list;
}

}  // namespace

int inspect(const Request& request) {
  const json no_entries = {{"entries", json::array()}};
  std::string error;
  for (const char* name : {files::client_config_file, files::update_descriptor_file}) {
    if (!read_file(name, error)) return print_not_checked(std::string(name) + ": " + error, request.json, no_entries);
  }
  release::PackageInspection inspection;
  {
    ProgressLine progress;
    inspection = release::inspect_package(*request.package_file, release::prefill(), progress_shown(progress));
  }
  if (!inspection.readable) return print_not_checked(inspection.problem, request.json, no_entries);
  release::Verification verification{{inspection.check}, inspection.warnings, release::Verdict::passed};
  verification.verdict = release::verdict_of(verification.checks);
  if (request.json) {
    print_verification_json(verification, {{"entries", entries_json(inspection.entries)}}, package_words);
  } else {
    print_round(verification, 0, package_words);
  }
  return verify_exit_status(verification.verdict);
}

}  // namespace cli
