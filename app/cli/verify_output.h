#pragma once
// What kestrel-cli verify prints: one line per check and the warnings, as
// text in the terminal's encoding, or one JSON object (UTF-8).
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "release/publish.h"
#include "release/verify_run.h"

namespace cli {

// What the last line (and JSON's message) says for each verdict.
struct VerdictWords {
  const char* passed;
  const char* failed;
  const char* not_checked;
};
// verify's: of the live release.
extern const VerdictWords release_words;

// The exit status a verdict stands for.
int verify_exit_status(release::Verdict verdict);

// One round's checks and warnings as lines; `round` is shown when above 0.
void print_round(const release::Verification& verification, int round, const VerdictWords& words = release_words);

// The JSON object: status, exit_status, message, checks, warnings, then
// `more`'s members (verify's rounds, inspect's entries).
void print_verification_json(const release::Verification& verification, const nlohmann::ordered_json& more,
                             const VerdictWords& words = release_words);

// One line per check, `ok` or `FAIL`, and its further details below it,
// each line after `indent`.
std::string check_lines(const std::vector<release::CheckResult>& checks, const std::string& indent = "");

// kestrel-cli publish: each step as it ends, then the warnings and the
// outcome; or all of it as one JSON object, verify's with a `steps` list.
int publish_exit_status(release::PublishVerdict verdict);
void print_step(const release::Step& step);
void print_publication_end(const release::Publication& publication);
void print_publication_json(const release::Publication& publication);

// The check could not start (a local file missing or unreadable); returns
// the exit status.
int print_not_checked(const std::string& message, bool json, const nlohmann::ordered_json& more);

// The package download's progress on a terminal: one line, rewritten.
class ProgressLine {
 public:
  void show(std::uint64_t done, std::uint64_t total);
  ~ProgressLine();

 private:
  bool shown_ = false;
  std::uint64_t last_percent_ = 101;
};

// What shows progress on `line` when standard error is a terminal; nothing otherwise.
std::function<void(std::uint64_t, std::uint64_t)> progress_shown(ProgressLine& line);

}  // namespace cli
