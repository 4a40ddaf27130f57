#pragma once
// The values the form shows when it opens: the last release's, read back
// from the two files an earlier run wrote into the working directory.
#include <optional>
#include <string>

#include "release/fields.h"

namespace release {

// One of the two files as it was read: its bytes, or why they could not be read.
struct LocalFile {
  const char* name;
  std::optional<std::string> content;
  std::string error;  // UTF-8, when there is no content: "No such file or directory"
};

// The two files of the working directory, each read once, and the values
// the form opens with: every field's preset, except that a pre-filled field
// takes what its file holds, the empty text where the file, section or key
// is missing. Values are taken as they stand in the file, byte for byte.
struct LocalRelease {
  LocalFile config;
  LocalFile descriptor;
  Values values;

  // The first file that could not be read, and why ("UpdateConfig.ini: No
  // such file or directory"), UTF-8; "" when both were read.
  std::string problem() const;
};

LocalRelease read_local_release();

// The values alone, as the form opens with them.
Values prefill();

}  // namespace release
