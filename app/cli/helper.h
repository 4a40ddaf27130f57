#pragma once
// The commands that need the network, hash or archive libraries (verify,
// inspect, publish)
// run where those libraries are: on POSIX systems in kestrel-cli-helper, a
// program beside kestrel-cli that only these commands start, so that show
// and generate start without loading them (as git keeps libcurl in
// git-remote-http); on Windows inside kestrel-cli.exe, which loads WinINet
// and CNG only when they are first called.
#include <string>
#include <vector>

#include "app/cli/request.h"

namespace cli {

bool runs_in_helper(Command command);

// Runs such a command: here, where this program holds it, or by handing
// the whole command line to kestrel-cli-helper. Returns the exit status.
int run_helper_command(const Request& request, const std::vector<std::string>& arguments);

// Makes the request's -C directory the working one; false, with the
// message printed, when it cannot be entered.
bool enter_directory(const Request& request);

}  // namespace cli
