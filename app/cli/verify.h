#pragma once
// kestrel-cli verify: the live release checked against the local files, in
// rounds while --wait allows.
#include "app/cli/request.h"

namespace cli {

// Runs the checks the request asks for; returns the exit status.
int verify(const Request& request);

}  // namespace cli
