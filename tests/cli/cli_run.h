#pragma once
// Runs kestrel-cli, built beside the test program, in the working directory
// (or a folder below it), and gives what it printed as UTF-8.
#include <string>
#include <vector>

#include "support/subprocess.h"

struct CliResult {
  int status = -1;
  std::string out;  // UTF-8
  std::string err;  // UTF-8
  std::string bytes_out;  // standard output as it came: JSON is UTF-8 everywhere
};

CliResult run_cli(const std::vector<std::string>& arguments, const std::string& input = {},
                  const test_support::Environment& environment = {}, const std::string& folder = {});

// True for kestrel-cli.exe, which asks through WinINet, not libcurl.
bool asks_through_wininet();
// True when the tests run as Windows programs under Wine (not on Windows itself).
bool under_wine();

// The words that follow "NAME: " where a file is missing: POSIX's, or on
// Windows the system's own (in the system's language); empty where they are
// the system's and not known here.
std::string missing_file_words();
