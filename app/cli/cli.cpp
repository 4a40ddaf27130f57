#include "app/cli/cli.h"

#include <filesystem>

#include "app/cli/warnings.h"
#include "app/cli/helper.h"
#include "app/cli/output.h"
#include "app/cli/publish.h"
#include "app/cli/request.h"
#include "app/cli/values.h"
#include "release/generate.h"
#include "release/prefill.h"
#include "runtime/files/file_system.h"
#include "runtime/process/console.h"
#include "runtime/process/process.h"

namespace cli {
namespace {

// Updating UpdateConfig.ini leaves its database section as it is, as the
// form does; database values given on the command line say otherwise.
void warn_of_unwritten_database_fields(const Request& request, const release::Outcome& outcome) {
  if (outcome.files.empty() || outcome.files.front().created) return;
  std::string options;
  for (const auto& [id, value] : request.given) {
    if (release::field(id).database) options += " --" + std::string(release::field(id).option);
  }
  if (request.password_env) options += std::string(" --") + password_env_option;
  if (request.password_stdin) options += std::string(" --") + password_stdin_option;
  if (options.empty()) return;
  runtime::print_err("kestrel-cli: UpdateConfig.ini exists, and updating it leaves its database section as it is;"
                     " not written:" + options + "\n");
}

// Update.txt's size as generated: its new content in a dry run, else the
// file as written.
std::uintmax_t descriptor_size(const release::Outcome& outcome) {
  const release::FileOutcome& descriptor = outcome.files.back();
  if (descriptor.content) return descriptor.content->size();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(runtime::native_path(descriptor.name), error);
  return error ? 0 : size;
}

}  // namespace

bool enter_directory(const Request& request) {
  std::string error;
  if (request.directory.empty() || runtime::change_directory(request.directory, error)) return true;
  runtime::print_err("kestrel-cli: -C " + request.directory + ": " + error + "\n");
  return false;
}

int run(const std::vector<std::string>& arguments) {
  const Parsed parsed = parse_command_line(arguments);
  if (!parsed.request) return parsed.status;
  const Request& request = *parsed.request;
  if (request.command == Command::version) {
    print_version(request.json);
    return status_written;
  }
  if (runs_in_helper(request.command)) return run_helper_command(request, arguments);

  if (!enter_directory(request)) return status_refused;
  const release::LocalRelease local = release::read_local_release();
  // Said before anything is written, of the files as the publisher left them.
  const Warnings warnings = file_warnings(local);
  for (const std::string& warning : warnings) runtime::print_err("kestrel-cli: warning: " + warning + "\n");
  release::Values values = local.values;
  if (request.command == Command::show) {
    print_values(values, request.json, warnings);
    return status_written;
  }
  if (const std::optional<Refusal> refused = apply_request(request, values)) {
    return print_refusal(*refused, request.json, warnings);
  }
  const release::Outcome outcome = release::generate(values, request.dry_run);
  warn_of_unwritten_database_fields(request, outcome);
  Warnings all = warnings;
  if (outcome.status == release::Outcome::Status::written) {
    for (const std::string& warning : release_warnings(values, descriptor_size(outcome))) {
      runtime::print_err("kestrel-cli: warning: " + warning + "\n");
      all.push_back(warning);
    }
  }
  return print_outcome(outcome, request.dry_run, request.json, all);
}

bool runs_in_helper(Command command) {
  return command == Command::verify || command == Command::inspect || command == Command::publish;
}

}  // namespace cli
