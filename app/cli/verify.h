#pragma once
// kestrel-cli verify: the live release checked against the local files, in
// rounds while --wait allows.
#include "app/cli/request.h"

#include "release/prefill.h"

namespace cli {

// Why the local files cannot be checked against (or published), or "".
std::string local_files_problem(const release::LocalRelease& local);

// Runs the checks the request asks for; returns the exit status.
int verify(const Request& request);

}  // namespace cli
