#pragma once
// The two files as the update client will read them: what a publisher who
// saved one in another encoding should hear, since the client, reading it
// with the Windows profile API as GBK text, sees something else.
#include <string>
#include <vector>

#include "release/prefill.h"

namespace cli {

// One line per file of the local release that the client reads otherwise
// than intended (UTF-8, without "kestrel-cli: warning: "): none when both
// read as written.
using Warnings = std::vector<std::string>;
Warnings file_warnings(const release::LocalRelease& local);

}  // namespace cli
