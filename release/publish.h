#pragma once
// Publishing a release in the one safe order, each step only after the one
// before has passed: 1 local (both files as the client reads them, the
// package check), 2 the package (under a temporary name, then renamed),
// 3 the gate (the package address serves the package, byte for byte),
// 4 the descriptor (likewise temporary name, then rename), 5 verify's
// checks. A failure leaves the live release as it was before that step.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "release/publish_plan.h"
#include "release/verify_run.h"
#include "runtime/network/upload.h"

namespace release {

enum class StepState {
  done,
  skipped,  // nothing to do: the package is served already
  failed,
  planned,  // --dry-run: what would be done
};

struct Step {
  int number = 0;
  std::string name;  // "local", "package", "gate", "descriptor", "verify"
  StepState state = StepState::done;
  std::string source, target, temporary;  // UTF-8; addresses without a password
  std::vector<CheckResult> checks;        // the checks the step made
  std::vector<std::string> details;       // what was done, or what the server said
};

enum class PublishVerdict {
  published,     // live and verified
  dry_run,       // nothing sent
  check_failed,  // a check failed; before step 4 the old release is live
  not_done,      // the server refused or could not be reached, or a local file could not be read
};

struct Publication {
  std::vector<Step> steps;
  std::vector<std::string> warnings;  // UTF-8
  PublishVerdict verdict = PublishVerdict::published;
  std::string message;  // the outcome in one line, UTF-8
  int rounds = 0;       // rounds of step 5
};

struct PublishOptions {
  runtime::UploadTarget target;
  std::optional<runtime::UploadTarget> package_target;  // --package-to
  runtime::UploadLogin login;
  std::chrono::milliseconds timeout{10000};  // of each request the checks make
  std::chrono::milliseconds wait{0};         // how long the gate and step 5 repeat
  bool dry_run = false;
  // An upload's or the gate's download's progress: bytes so far, of all.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
  std::function<void(const Step&)> on_step;  // each step as it ends
};

// Publishes the release that the local values (as the form pre-fills them)
// describe, as `plan` places it.
Publication publish(const Values& local, const PublishPlan& plan, const PublishOptions& options);

}  // namespace release
