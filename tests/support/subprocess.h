#pragma once
// Runs a program as a separate process and collects what it prints, on
// POSIX systems and on Windows alike.
#include <string>
#include <utility>
#include <vector>

namespace test_support {

struct ProcessResult {
  int status = -1;  // the exit status; -1 when it could not run or did not exit
  std::string out;  // standard output, as bytes
  std::string err;  // standard error, as bytes
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `program` with `arguments` (UTF-8) in the current directory, with
// `input` on its standard input and `environment` added to this process's.
ProcessResult run_process(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& input = {}, const Environment& environment = {});

// A program built beside the running test program ("kestrel-cli" gives
// kestrel-cli.exe on Windows).
std::string program_beside_this_one(const std::string& name);

}  // namespace test_support
