#include "app/cli/publish.h"

#include <chrono>
#include <nlohmann/json.hpp>

#include "app/cli/values.h"
#include "app/cli/verify.h"
#include "app/cli/verify_output.h"
#include "release/prefill.h"
#include "release/publish.h"
#include "runtime/process/console.h"

namespace cli {
namespace {

std::chrono::milliseconds milliseconds(double seconds) {
  return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

// The command line is wrong: said on standard error, exit status 2.
int refuse(const std::string& message) {
  runtime::print_err("kestrel-cli: " + message + "\n");
  return status_refused;
}

// The server's password as the options give it; none for the netrc file
// (or keys). False (and `error` set) when it cannot be had.
bool take_password(const Request& request, std::optional<std::string>& password, std::string& error) {
  if (!request.password_env && !request.password_stdin) return true;
  std::string why;
  password = given_password(request, why);
  if (!password) error = std::string("--") + (request.password_env ? password_env_option : password_stdin_option) + ": " + why;
  return password.has_value();
}

}  // namespace

int publish(const Request& request) {
  release::PublishOptions options;
  std::string error;
  const std::optional<runtime::UploadTarget> target = runtime::parse_upload_target(request.target, error);
  if (!target) return refuse("--to " + runtime::without_password(request.target) + ": " + error);
  options.target = *target;
  if (!runtime::open_uploader(*target, {}, error)) return refuse("--to " + target->shown() + ": " + error);
  if (request.package_to) {
    options.package_target = runtime::parse_upload_target(*request.package_to, error);
    if (!options.package_target)
      return refuse("--package-to " + runtime::without_password(*request.package_to) + ": " + error);
    if (!runtime::open_uploader(*options.package_target, {}, error))
      return refuse("--package-to " + options.package_target->shown() + ": " + error);
  }
  if (!take_password(request, options.login.password, error)) return refuse(error);
  options.login.timeout = options.timeout = milliseconds(request.timeout_seconds);
  options.wait = milliseconds(request.wait_seconds);
  options.dry_run = request.dry_run;

  const release::LocalRelease local = release::read_local_release();
  const release::Values& values = local.values;
  if (const std::string problem = local_files_problem(local); !problem.empty())
    return print_not_checked(problem, request.json, {{"rounds", 0}, {"steps", nlohmann::ordered_json::array()}});
  const std::optional<release::PublishPlan> plan =
      release::plan_publication(values, request.package_file, request.package_to.has_value(), error);
  if (!plan) return refuse(error);

  std::optional<ProgressLine> progress;
  if (runtime::error_is_terminal())
    options.progress = [&](std::uint64_t done, std::uint64_t total) {
      if (!progress) progress.emplace();
      progress->show(done, total);
    };
  options.on_step = [&](const release::Step& step) {
    progress.reset();  // the line goes; the step's lines follow
    if (!request.json) print_step(step);
  };
  const release::Publication publication = release::publish(values, *plan, options);
  if (request.json) print_publication_json(publication);
  else print_publication_end(publication);
  return publish_exit_status(publication.verdict);
}

}  // namespace cli
