#include "release/publish.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "files/update_descriptor.h"
#include "release/package_contents.h"
#include "runtime/files/sha256.h"
#include "runtime/network/upload_local.h"
#include "runtime/text/gbk.h"

namespace release {
namespace {

using Clock = std::chrono::steady_clock;

// A cache in front of the server needs minutes, not moments: a round every few seconds.
constexpr std::chrono::seconds round_interval{5};

using runtime::utf8;

// The digest of the local package, read piece by piece; none (and `error`
// set) when it cannot be read.
std::optional<LocalPackage> digest_of(const std::string& file, std::string& error) {
  runtime::LocalFile local(file);
  runtime::Sha256 sha256;
  std::string buffer(1 << 16, '\0');
  std::uint64_t size = 0;
  while (const std::size_t got = local.read(buffer.data(), buffer.size())) {
    sha256.add(std::string_view(buffer.data(), got));
    size += got;
  }
  if (!local.ok()) {
    error = local.error();
    return std::nullopt;
  }
  return LocalPackage{file, {size, sha256.hex()}};
}

Step new_step(int number, std::string name) {
  Step step;
  step.number = number;
  step.name = std::move(name);
  return step;
}

class Publisher {
 public:
  Publisher(const Values& local, const PublishPlan& plan, const PublishOptions& options)
      : local_(local), plan_(plan), options_(options) {}

  Publication run() {
    if (local_step() && package_step() && gate_step() && descriptor_step()) verify_step();
    return std::move(publication_);
  }

 private:
  // Step 1: both files as the client reads them, and the package check; a
  // package that fails is never sent.
  bool local_step() {
    Step step = new_step(1, "local");
    step.source = std::string(files::update_descriptor_file) + ", " + plan_.package_file;
    step.checks.push_back(check_local_descriptor());
    std::string error;
    package_ = digest_of(plan_.package_file, error);
    if (!package_) {
      step.details.push_back(plan_.package_file + ": " + error);
      return stop(std::move(step), PublishVerdict::not_done, "the package " + plan_.package_file + " cannot be read");
    }
    PackageInspection contents = inspect_package(plan_.package_file, local_, options_.progress);
    if (!contents.readable) {
      step.details.push_back(contents.problem);
      return stop(std::move(step), PublishVerdict::not_done, "the package " + plan_.package_file + " cannot be read");
    }
    step.checks.push_back(std::move(contents.check));
    for (std::string& warning : contents.warnings) publication_.warnings.push_back(std::move(warning));
    if (verdict_of(step.checks) != Verdict::passed)
      return stop(std::move(step), verdict_of(step.checks) == Verdict::failed ? PublishVerdict::check_failed
                                                                              : PublishVerdict::not_done,
                  "nothing was sent");
    return next(std::move(step));
  }

  // Step 2: the package under a temporary name, then renamed onto its own;
  // not sent again when its address serves it already.
  bool package_step() {
    std::string temporary;
    Step step = upload_step(2, "package", plan_.package_file, package_target(), plan_.package_name, temporary);
    if (options_.dry_run) {
      step.details.push_back("not sent when the package address serves it already (same size and SHA-256)");
      return next(std::move(step));
    }
    if (!open(package_target(), package_uploader_, step) ||
        (options_.package_target && !open(options_.target, descriptor_uploader_, step)))
      return stop(std::move(step), PublishVerdict::not_done, "nothing was sent");
    if (!descriptor_uploader_) descriptor_uploader_ = package_uploader_;
    clear_temporaries(*package_uploader_, plan_.package_name, step);
    const VerifyOptions served = verify_options(package_, {});
    std::vector<std::string> ignored;
    if (check_served_package(plan_.package_address, served, ignored).state == CheckState::ok) {
      step.state = StepState::skipped;
      step.temporary.clear();
      step.details.push_back("the package address serves it already, of the same size and SHA-256: not sent again");
      return next(std::move(step));
    }
    if (!send(*package_uploader_, plan_.package_file, plan_.package_name, temporary, step, options_.progress))
      return stop(std::move(step), PublishVerdict::not_done, "Update.txt was not touched");
    return next(std::move(step));
  }

  // Step 3: the package address, asked as the client asks it, serves the
  // package byte for byte, waiting up to --wait for a cache.
  bool gate_step() {
    Step step = new_step(3, "gate");
    step.source = utf8(plan_.package_address);
    if (options_.dry_run) {
      step.state = StepState::planned;
      step.details.push_back(step.source + " must serve " + plan_.package_file + " (size and SHA-256)");
      return next(std::move(step));
    }
    const VerifyOptions served = verify_options(package_, options_.progress);
    const Clock::time_point deadline = Clock::now() + options_.wait;
    for (int round = 1;; ++round) {
      std::vector<std::string> warnings;  // the last round's
      CheckResult check = check_served_package(plan_.package_address, served, warnings);
      const auto left = deadline - Clock::now();
      if (check.state == CheckState::ok || left <= Clock::duration::zero()) {
        if (round > 1) step.details.push_back("after " + std::to_string(round) + " rounds");
        step.checks.push_back(std::move(check));
        publication_.warnings.insert(publication_.warnings.end(), warnings.begin(), warnings.end());
        break;
      }
      std::this_thread::sleep_for(std::min<Clock::duration>(round_interval, left));
    }
    const Verdict verdict = verdict_of(step.checks);
    if (verdict == Verdict::passed) return next(std::move(step));
    return stop(std::move(step), verdict == Verdict::failed ? PublishVerdict::check_failed : PublishVerdict::not_done,
                "the package address does not serve " + plan_.package_file + "; Update.txt was not touched");
  }

  // Step 4: Update.txt under a temporary name, then renamed onto its own,
  // so that no client reads half of it.
  bool descriptor_step() {
    std::string temporary;
    Step step = upload_step(4, "descriptor", files::update_descriptor_file, options_.target, plan_.descriptor_name,
                            temporary);
    if (options_.dry_run) return next(std::move(step));
    clear_temporaries(*descriptor_uploader_, plan_.descriptor_name, step);
    if (!send(*descriptor_uploader_, files::update_descriptor_file, plan_.descriptor_name, temporary, step, {}))
      return stop(std::move(step), PublishVerdict::not_done, "Update.txt was not replaced");
    return next(std::move(step));
  }

  // Step 5: verify's checks of the live release, repeated up to --wait.
  void verify_step() {
    Step step = new_step(5, "verify");
    step.source = utf8(plan_.descriptor_address);
    if (options_.dry_run) {
      step.state = StepState::planned;
      step.details.push_back("verify's checks of the live release");
      next(std::move(step));
      finish(PublishVerdict::dry_run, "nothing was sent (--dry-run)");
      return;
    }
    // The gate compared the package byte for byte; here its first bytes do.
    const VerifyOptions options = verify_options(std::nullopt, {});
    const Clock::time_point deadline = Clock::now() + options_.wait;
    Verification verification;
    for (int round = 1;; ++round) {
      verification = verify_release(local_, options);
      publication_.rounds = round;
      const auto left = deadline - Clock::now();
      if (verification.verdict == Verdict::passed || left <= Clock::duration::zero()) break;
      std::this_thread::sleep_for(std::min<Clock::duration>(round_interval, left));
    }
    step.checks = verification.checks;
    for (const std::string& warning : verification.warnings) publication_.warnings.push_back(warning);
    if (publication_.rounds > 1) step.details.push_back("after " + std::to_string(publication_.rounds) + " rounds");
    if (verification.verdict == Verdict::passed) {
      next(std::move(step));
      finish(PublishVerdict::published, "the release is live and verified");
      return;
    }
    stop(std::move(step),
         verification.verdict == Verdict::failed ? PublishVerdict::check_failed : PublishVerdict::not_done,
         "the new release is in place, but the live release differs from the local files or is broken");
  }

  VerifyOptions verify_options(const std::optional<LocalPackage>& package,
                               const std::function<void(std::uint64_t, std::uint64_t)>& progress) const {
    VerifyOptions options;
    options.timeout = options_.timeout;
    options.package = package;
    options.progress = progress;
    return options;
  }

  const runtime::UploadTarget& package_target() const {
    return options_.package_target ? *options_.package_target : options_.target;
  }

  Step upload_step(int number, const char* name, const std::string& source, const runtime::UploadTarget& target,
                   const std::string& remote, std::string& temporary) {
    Step step = new_step(number, name);
    temporary = runtime::temporary_name(remote);
    step.source = source;
    step.target = target.shown(remote);
    step.temporary = target.shown(temporary);
    if (options_.dry_run) step.state = StepState::planned;
    return step;
  }

  bool open(const runtime::UploadTarget& target, std::shared_ptr<runtime::Uploader>& uploader, Step& step) {
    std::string error;
    uploader = runtime::open_uploader(target, options_.login, error);
    runtime::UploadStatus status = uploader ? uploader->connect() : runtime::UploadStatus::failed(error);
    if (!status.ok) step.details.push_back(target.shown() + ": " + status.text);
    return status.ok;
  }

  void clear_temporaries(runtime::Uploader& uploader, const std::string& name, Step& step) {
    const std::vector<std::string> removed = uploader.clear_temporaries(name);
    for (const std::string& leftover : removed)
      step.details.push_back("removed " + leftover + ", left by a publish that did not finish");
  }

  // The file under the step's temporary name, then renamed onto `name`;
  // the temporary is removed when that fails.
  bool send(runtime::Uploader& uploader, const std::string& file, const std::string& name,
            const std::string& temporary, Step& step, const runtime::UploadProgress& progress) {
    runtime::UploadStatus status = uploader.put(file, temporary, progress);
    const char* doing = "sending";
    if (status.ok) {
      status = uploader.rename(temporary, name);
      doing = "renaming";
    }
    if (status.ok) {
      step.details.push_back("sent as " + step.temporary + ", renamed onto " + step.target);
      return true;
    }
    step.details.push_back(std::string(doing) + " failed: " + status.text);
    if (uploader.remove(temporary).ok) step.details.push_back("the temporary file was removed");
    return false;
  }

  bool next(Step step) {
    if (options_.on_step) options_.on_step(step);
    publication_.steps.push_back(std::move(step));
    return true;
  }

  // The step failed: it is told, and the publication ends there.
  bool stop(Step step, PublishVerdict verdict, const std::string& left) {
    if (step.state != StepState::planned) step.state = StepState::failed;
    const std::string what = "step " + std::to_string(step.number) + " (" + step.name + ") failed";
    const bool before_descriptor = step.number <= 4;  // Update.txt not yet replaced
    next(std::move(step));
    finish(verdict, what + ": " + left + (before_descriptor ? "; the old release stays live" : ""));
    return false;
  }

  void finish(PublishVerdict verdict, std::string message) {
    publication_.verdict = verdict;
    publication_.message = std::move(message);
  }

  CheckResult check_local_descriptor() const {
    std::ifstream in(files::update_descriptor_file, std::ios::binary);
    Fetched fetched{files::update_descriptor_file, {}, files::update_descriptor_file, {}, false};
    fetched.last.answer.status = 200;
    fetched.last.answer.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    fetched.last.answer.body_size = fetched.last.answer.body.size();
    files::UpdateDescriptor read;
    CheckResult check = check_descriptor(fetched, read);
    check.name = "local descriptor";
    if (check.state == CheckState::ok)
      check.details = {std::string(files::update_descriptor_file) + " reads as the client reads it: Version " +
                       utf8(read.Version) + ", package " + utf8(read.URL)};
    return check;
  }

  const Values& local_;
  const PublishPlan& plan_;
  const PublishOptions& options_;
  Publication publication_;
  std::optional<LocalPackage> package_;
  std::shared_ptr<runtime::Uploader> package_uploader_, descriptor_uploader_;
};

}  // namespace

Publication publish(const Values& local, const PublishPlan& plan, const PublishOptions& options) {
  return Publisher(local, plan, options).run();
}

}  // namespace release
