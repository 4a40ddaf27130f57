#pragma once
// kestrel-cli: the release job from a script, without a window.
#include <string>
#include <vector>

namespace cli {

// Runs one command line (program name first); returns the exit status.
int run(const std::vector<std::string>& arguments);

}  // namespace cli
