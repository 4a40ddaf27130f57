#pragma once
// What a publisher should hear before a release goes out: a file saved in
// another encoding (the client, reading it with the Windows profile API as
// GBK text, sees something else), and what verify would fail in the
// release just generated.
#include <cstdint>
#include <string>
#include <vector>

#include "release/prefill.h"

namespace cli {

// One line per file of the local release that the client reads otherwise
// than intended (UTF-8, without "kestrel-cli: warning: "): none when both
// read as written.
using Warnings = std::vector<std::string>;
Warnings file_warnings(const release::LocalRelease& local);

// What the client cannot use in the release generated from `values`, whose
// Update.txt has `descriptor_size` bytes, by the rules verify judges the
// live release by: an address holding a blank, a descriptor larger than
// verify accepts, a newest version not greater than the installed one.
Warnings release_warnings(const release::Values& values, std::uintmax_t descriptor_size);

}  // namespace cli
