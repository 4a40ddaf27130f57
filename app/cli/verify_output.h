#pragma once
// What kestrel-cli verify prints: one line per check and the warnings, as
// text in the terminal's encoding, or one JSON object (UTF-8).
#include <string>

#include "release/verify_run.h"

namespace cli {

// The exit status a verdict stands for.
int verify_exit_status(release::Verdict verdict);

// One round's checks and warnings as lines; `round` is shown when above 0.
void print_round(const release::Verification& verification, int round);

void print_verification_json(const release::Verification& verification, int rounds);

// The check could not start (a local file missing or unreadable); returns
// the exit status.
int print_not_checked(const std::string& message, bool json);

// The package download's progress on a terminal: one line, rewritten.
class ProgressLine {
 public:
  void show(std::uint64_t done, std::uint64_t total);
  ~ProgressLine();

 private:
  bool shown_ = false;
  std::uint64_t last_percent_ = 101;
};

}  // namespace cli
