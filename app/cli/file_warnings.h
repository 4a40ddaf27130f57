#pragma once
// The two files as the update client will read them: what a publisher who
// saved one in another encoding should hear, since the client, reading it
// with the Windows profile API as GBK text, sees something else.
#include <string>
#include <vector>

namespace cli {

// One line per file in the working directory that the client reads
// otherwise than intended (UTF-8, without "kestrel-cli: warning: "): none
// when both read as written.
using Warnings = std::vector<std::string>;
Warnings file_warnings();

}  // namespace cli
