#pragma once
// What kestrel-cli verify prints: one line per check and the warnings, as
// text in the terminal's encoding, or one JSON object (UTF-8).
#include <string>
#include <vector>

#include "release/publish.h"
#include "release/verify_run.h"

namespace cli {

// The exit status a verdict stands for.
int verify_exit_status(release::Verdict verdict);

// One round's checks and warnings as lines; `round` is shown when above 0.
void print_round(const release::Verification& verification, int round);

void print_verification_json(const release::Verification& verification, int rounds);

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
int print_not_checked(const std::string& message, bool json);

// The package download's progress on a terminal: one line, rewritten.
class ProgressLine {
 public:
  explicit ProgressLine(std::string label = "package") : label_(std::move(label)) {}
  void show(std::uint64_t done, std::uint64_t total);
  ~ProgressLine();

 private:
  std::string label_;
  bool shown_ = false;
  std::uint64_t last_percent_ = 101;
};

}  // namespace cli
