#include "app/cli/request.h"

#include <CLI/CLI.hpp>
#include <sstream>

#include "app/cli/publish.h"
#include "runtime/process/console.h"

namespace cli {
namespace {

// The help line of a field's option: its label as the form shows it, what
// it means, and a mark for the fields a release needs.
std::string option_help(const release::Field& field) {
  std::string help = release::label_name(field) + " (" + field.gloss + ")";
  if (field.required) help += " *";
  return help;
}

const char* const description =
    "Prepares UpdateConfig.ini and Update.txt as the Kestrel form does, without a window.\n"
    "Starts from what the form would show on open in the directory, applies the options given,\n"
    "runs the same checks and writes the same files. Fields marked * are required.\n"
    "Exit status: 0 written, 1 a file could not be written, 2 a check failed or the command line is wrong.\n"
    "verify checks the live release against both files; its exit status: 0 every check passed,\n"
    "3 a check failed, 1 the check could not be made, 2 the command line is wrong.\n"
    "inspect checks a package as the client unpacks it, offline; its exit status as verify's.\n"
    "publish puts the release live in the safe order; its exit status: 0 live and verified,\n"
    "3 a check failed, 1 the server refused or could not be reached, 2 the command line is wrong.";

// The first word of the command line that is neither an option nor the
// folder of -C: where the command belongs.
std::optional<std::string> command_word(const std::vector<std::string>& arguments) {
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "-C") {
      ++i;
    } else if (!arguments[i].starts_with("-")) {
      return arguments[i];
    }
  }
  return std::nullopt;
}

// Said where no command, or a word that is none, stands first: the word and
// the commands there are.
std::string command_missing(const CLI::App& app, const std::optional<std::string>& word) {
  std::string commands;
  for (const CLI::App* command : app.get_subcommands({}))
    commands += (commands.empty() ? "" : ", ") + command->get_name();
  const std::string what = word ? *word + " is not a command" : "a command is required";
  return "kestrel-cli: " + what + "; the commands: " + commands + " (kestrel-cli --help)\n";
}

}  // namespace

std::string option_prefix(const release::Field& field, const std::string& option) {
  return "--" + option + " (" + release::label_name(field) + "): ";
}

Parsed parse_command_line(const std::vector<std::string>& arguments) {
  Request request;
  CLI::App app{description, "kestrel-cli"};
  app.require_subcommand(0, 1);  // one is required unless --version is given: checked after parsing
  app.add_option("-C", request.directory, "Work in DIR instead of the current directory, as git -C does")
      ->type_name("DIR");
  app.add_flag("--json", request.json, "Print the outcome as one JSON object (UTF-8)");
  bool version = false;
  app.add_flag("--version", version, "Print kestrel-cli's version and exit");

  CLI::App* show = app.add_subcommand("show", "Print the values the form would show on open");
  CLI::App* generate = app.add_subcommand("generate", "Check the values and write both files");
  CLI::App* verify = app.add_subcommand(
      "verify", "Check the release the web server serves against UpdateConfig.ini and Update.txt; writes nothing");
  verify->add_option("--package", request.package_file, "The package as uploaded: the served one must equal it")
      ->type_name("FILE");
  verify->add_option("--timeout", request.timeout_seconds, "Bound each request to SECONDS (default 10)")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.001, 86400.0));  // a day at most: longer is no bound
  verify->add_option("--wait", request.wait_seconds, "Repeat the checks every few seconds until they pass or SECONDS are up")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.0, 604800.0));
  CLI::App* inspect = app.add_subcommand(
      "inspect", "Check a package (zip or rar) as the client unpacks it into its folder, against both files; offline");
  inspect->add_option("FILE", request.package_file, "The package")->required()->type_name("FILE");
  CLI::App* publish = add_publish_command(app, request);
  for (CLI::App* command : {show, generate, verify, inspect, publish}) {
    command->fallthrough();
    command->footer("Also: -C DIR and --json (kestrel-cli --help).");
  }

  std::map<release::FieldId, CLI::Option*> field_options;
  std::map<release::FieldId, std::string> field_values;
  std::string plain_password;
  for (const release::Field& field : release::fields()) {
    if (field.secret) continue;
    field_options[field.id] =
        generate->add_option("--" + std::string(field.option), field_values[field.id], option_help(field))
            ->type_name(field.id == release::FieldId::date ? "TEXT|today" : "TEXT")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);  // a later one overrides, as in scripts
  }
  CLI::Option* note = field_options[release::FieldId::note];
  generate->add_option(std::string("--") + note_file_option, request.note_file, "The note, read from FILE (UTF-8)")
      ->type_name("FILE")
      ->excludes(note);
  const release::Field& password = release::field(release::FieldId::password);
  CLI::Option* password_env =
      generate->add_option(std::string("--") + password_env_option, request.password_env, option_help(password) + ", from the environment variable VAR")
          ->type_name("VAR");
  generate->add_flag(std::string("--") + password_stdin_option, request.password_stdin, option_help(password) + ", from standard input")
      ->excludes(password_env);
  // A password among the arguments could be read by every user of the machine.
  CLI::Option* plain = generate->add_option("--" + std::string(password.option), plain_password)
                           ->group("");
  generate->add_flag("--dry-run", request.dry_run, "Write nothing; print each file's new content");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
  try {
    app.parse(reversed);
    if (!version && app.get_subcommands().empty()) throw CLI::RequiredError::Subcommand(1);
    if (plain->count() > 0) {
      throw CLI::ValidationError("--" + std::string(password.option),
                                 "a password on the command line can be read by other users; use "
                                 "--password-env VAR or --password-stdin");
    }
  } catch (const CLI::ParseError& error) {
    const bool extra = dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr;
    if (app.get_subcommands().empty() && (dynamic_cast<const CLI::RequiredError*>(&error) || extra)) {
      const std::optional<std::string> word = command_word(arguments);
      if (word || !extra) {
        runtime::print_err(command_missing(app, word));
        return {std::nullopt, status_refused};
      }
    }
    std::ostringstream out, err;
    const int code = app.exit(error, out, err);
    runtime::print_out(out.str());
    runtime::print_err(err.str());
    return {std::nullopt, code == 0 ? status_written : status_refused};
  }
  request.command = show->parsed()      ? Command::show
                    : verify->parsed()  ? Command::verify
                    : inspect->parsed() ? Command::inspect
                    : publish->parsed() ? Command::publish
                                        : Command::generate;
  if (version) request.command = Command::version;  // whatever else was given, as git --version
  // Only the options that were given replace what the form would show.
  for (const auto& [id, option] : field_options) {
    if (option->count() > 0) request.given[id] = field_values[id];
  }
  return {request, status_written};
}

}  // namespace cli
