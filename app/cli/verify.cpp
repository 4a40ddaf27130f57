#include "app/cli/verify.h"

#include <chrono>
#include <thread>

#include "app/cli/verify_output.h"
#include "files/client_config.h"
#include "release/package_contents.h"
#include "release/prefill.h"
#include "runtime/files/file_read.h"
#include "runtime/files/sha256.h"
#include "runtime/process/console.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

// A cache in front of the server needs minutes, not moments: a round every few seconds.
constexpr std::chrono::seconds round_interval{5};

std::chrono::milliseconds milliseconds(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

std::optional<release::LocalPackage> local_package(const std::string& path, std::string& error) {
  release::LocalPackage package{path, {}};
  runtime::Sha256 sha256;
  if (!runtime::read_file_pieces(runtime::path_from_utf8(path), [&](std::string_view piece) {
        sha256.add(piece);
        package.digest.size += piece.size();
      }, &error))
    return std::nullopt;
  package.digest.sha256 = sha256.hex();
  return package;
}

const nlohmann::ordered_json no_rounds = {{"rounds", 0}};

}  // namespace

std::string local_files_problem(const release::LocalRelease& local) {
  if (std::string problem = local.problem(); !problem.empty()) return problem;
  if (local.values[release::FieldId::update_url].text.empty())
    return std::string(files::client_config_file) + " names no descriptor address ([Update] URL)";
  return {};
}

int verify(const Request& request) {
  const release::LocalRelease local = release::read_local_release();
  const release::Values& values = local.values;
  if (const std::string problem = local_files_problem(local); !problem.empty())
    return print_not_checked(problem, request.json, no_rounds);
  release::VerifyOptions options;
  options.timeout = milliseconds(request.timeout_seconds);
  if (request.package_file) {
    std::string error;
    options.package = local_package(*request.package_file, error);
    if (!options.package)
      return print_not_checked("--package " + *request.package_file + ": " + error, request.json, no_rounds);
    // The contents are the local file's: looked into once, for every round.
    ProgressLine progress;
    release::PackageInspection contents = release::inspect_package(*request.package_file, values, progress_shown(progress));
    if (!contents.readable) return print_not_checked("--package " + contents.problem, request.json, no_rounds);
    options.package_contents = contents.check;
    options.package_warnings = contents.warnings;
  }

  const Clock::time_point deadline = Clock::now() + milliseconds(request.wait_seconds);
  const bool rounds_shown = request.wait_seconds > 0;
  for (int round = 1;; ++round) {
    release::Verification verification;
    {
      ProgressLine progress;
      if (request.package_file) options.progress = progress_shown(progress);
      verification = release::verify_release(values, options);
    }
    const auto left = deadline - Clock::now();
    const bool last = verification.verdict == release::Verdict::passed || left <= Clock::duration::zero();
    if (!request.json) print_round(verification, rounds_shown ? round : 0);
    if (last) {
      if (request.json) print_verification_json(verification, {{"rounds", round}});
      return verify_exit_status(verification.verdict);
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(round_interval, left));
  }
}

}  // namespace cli
