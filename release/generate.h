#pragma once
// Generating a release: the checks, then each file written in create or
// update mode, then the closing report. The same job on the form and on the
// command line.
#include <optional>
#include <string>
#include <vector>

#include "release/checks.h"
#include "release/fields.h"

namespace release {

struct FileOutcome {
  std::string name;        // "UpdateConfig.ini", "Update.txt"
  bool created = false;    // create mode: the file did not exist
  bool written = false;    // written whole
  std::optional<std::string> content;  // a dry run: the complete new content
};

struct Outcome {
  enum class Status {
    written,       // both files written (a dry run: both could be); message is the closing report
    check_failed,  // nothing written; failure says why
    not_written,   // a file could not be written; message names it
  };
  Status status = Status::written;
  std::optional<CheckFailure> failure;
  std::string message;  // GBK: the failure's message, or the one naming the files, or the report
  std::vector<FileOutcome> files;
};

// Runs the checks; when they pass, writes UpdateConfig.ini and then
// Update.txt, each created when it does not exist as generate begins and
// updated otherwise. That mode is decided once, so the check for text
// outside GBK covers exactly what each writer writes. A dry run writes
// nothing and gives each file's new content instead.
Outcome generate(const Values& values, bool dry_run = false);

// The two writers, with the values as they are at the time of the call.
// Each returns whether its file was written whole.
bool of_createconfigfile(const Values& values, bool ab_create);
bool of_createupdatefile(const Values& values, bool ab_create);

// The closing report, from the two addresses exactly as typed. Its text is
// the report's own, byte for byte: the line of the package address begins
// after a lone CR, not CR LF; a message box and the terminal show both as
// line breaks.
std::string closing_report(const std::string& update_url, const std::string& package_url);

}  // namespace release
