#pragma once
// kestrel-cli inspect: the package as the client unpacks it, against the
// release in the directory, offline.
#include "app/cli/request.h"

namespace cli {

// Checks the package the request names; returns the exit status.
int inspect(const Request& request);

}  // namespace cli
