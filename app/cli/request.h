#pragma once
// What a kestrel-cli command line asks for, parsed, before anything is read
// or written. Texts are UTF-8, as they came.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "release/fields.h"

namespace cli {

enum class Command { version, show, generate, verify, inspect, publish };

struct Request {
  Command command = Command::show;
  std::string directory;  // empty: the current one
  bool json = false;
  bool dry_run = false;
  std::map<release::FieldId, std::string> given;  // the fields' options that were given
  std::optional<std::string> note_file;
  std::optional<std::string> password_env;
  bool password_stdin = false;
  // verify's and inspect's
  std::optional<std::string> package_file;
  double timeout_seconds = 10;
  double wait_seconds = 0;  // 0: one round
  // publish's (also package_file, the password's options, timeout and wait)
  std::string target;
  std::optional<std::string> package_to;
};

// The options that give the note and the password other than as a value.
inline constexpr const char* note_file_option = "note-file";
inline constexpr const char* password_env_option = "password-env";
inline constexpr const char* password_stdin_option = "password-stdin";

// How a message about an option's value begins, UTF-8:
// "--update-url (更新地址): ".
std::string option_prefix(const release::Field& field, const std::string& option);

// The exit statuses.
inline constexpr int status_written = 0;
inline constexpr int status_not_written = 1;
inline constexpr int status_refused = 2;  // a check failed, or the command line is wrong
// verify's: 0 every check passed, 2 the command line is wrong, and
inline constexpr int status_not_checked = 1;      // the check could not be made
inline constexpr int status_release_broken = 3;   // the live release differs or is broken

// Parses the command line (program name first). On --help or a mistake it
// prints what it has to say and gives the exit status instead.
struct Parsed {
  std::optional<Request> request;
  int status = status_written;
};
Parsed parse_command_line(const std::vector<std::string>& arguments);

}  // namespace cli
