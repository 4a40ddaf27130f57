#include "app/cli/cli.h"

#include "app/cli/file_warnings.h"
#include "app/cli/inspect.h"
#include "app/cli/output.h"
#include "app/cli/publish.h"
#include "app/cli/request.h"
#include "app/cli/terminal.h"
#include "app/cli/values.h"
#include "app/cli/verify.h"
#include "release/generate.h"
#include "release/prefill.h"

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
  print_err("kestrel-cli: UpdateConfig.ini exists, and updating it leaves its database section as it is;"
            " not written:" + options + "\n");
}

}  // namespace

int run(const std::vector<std::string>& arguments) {
  const Parsed parsed = parse_command_line(arguments);
  if (!parsed.request) return parsed.status;
  const Request& request = *parsed.request;

  std::string error;
  if (!request.directory.empty() && !change_directory(request.directory, error)) {
    print_err("kestrel-cli: -C " + request.directory + ": " + error + "\n");
    return status_refused;
  }
  if (request.command == Command::verify) return verify(request);
  if (request.command == Command::inspect) return inspect(request);
  if (request.command == Command::publish) return publish(request);
  // Said before anything is written, of the files as the publisher left them.
  const Warnings warnings = file_warnings();
  for (const std::string& warning : warnings) print_err("kestrel-cli: warning: " + warning + "\n");
  release::Values values = release::prefill();
  if (request.command == Command::show) {
    print_values(values, request.json, warnings);
    return status_written;
  }
  if (const std::optional<Refusal> refused = apply_request(request, values)) {
    return print_refusal(*refused, request.json, warnings);
  }
  const release::Outcome outcome = release::generate(values, request.dry_run);
  warn_of_unwritten_database_fields(request, outcome);
  return print_outcome(outcome, request.dry_run, request.json, warnings);
}

}  // namespace cli
