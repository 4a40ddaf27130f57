#include "app/cli/check_package.h"

#include "app/cli/verify_output.h"
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
  const release::LocalRelease local = release::read_local_release();
  if (const std::string problem = local.problem(); !problem.empty())
    return print_not_checked(problem, request.json, no_entries);
  release::PackageInspection inspection;
  {
    ProgressLine progress;
    inspection = release::inspect_package(*request.package_file, local.values, progress_shown(progress));
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
