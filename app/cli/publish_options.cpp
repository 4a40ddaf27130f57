#include <CLI/CLI.hpp>

#include "app/cli/publish.h"

namespace cli {

CLI::App* add_publish_command(CLI::App& app, Request& request) {
  CLI::App* publish = app.add_subcommand(
      "publish",
      "Put the release live in the safe order: the package, then (once its address serves it) Update.txt, each "
      "under a temporary name and renamed; then verify's checks");
  publish
      ->add_option("--to", request.target,
                   "Where Update.txt goes: a folder, ftp://[user@]host[:port]/path/, ftps://..., "
                   "sftp://[user@]host[:port]/path/ or http(s)://... (WebDAV)")
      ->type_name("TARGET")
      ->required();
  publish->add_option("--package", request.package_file,
                      "The package to send (default: the file named by the last part of the package address)")
      ->type_name("FILE");
  publish->add_option("--package-to", request.package_to,
                      "Where the package goes, when its address does not lie below the descriptor's folder")
      ->type_name("TARGET");
  CLI::Option* password_env =
      publish->add_option(std::string("--") + password_env_option, request.password_env,
                          "The server's password, from the environment variable VAR (else the netrc file)")
          ->type_name("VAR");
  publish->add_flag(std::string("--") + password_stdin_option, request.password_stdin,
                    "The server's password, from standard input")
      ->excludes(password_env);
  publish->add_option("--timeout", request.timeout_seconds,
                      "Bound each request, and each wait for the server, to SECONDS (default 10)")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.001, 86400.0));
  publish->add_option("--wait", request.wait_seconds,
                      "Repeat the gate and the last checks every few seconds until they pass or SECONDS are up")
      ->type_name("SECONDS")
      ->check(CLI::Range(0.0, 604800.0));
  publish->add_flag("--dry-run", request.dry_run, "Connect to nothing; print each step: source, target, temporary name");
  return publish;
}

}  // namespace cli
