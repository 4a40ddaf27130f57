#pragma once
// The two modes in which either file is written: create mode makes it anew
// from its lines, update mode edits its keys in place.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/files/profile.h"

namespace files {

// Hands the created file's lines, in order, to `emit`, each formed just
// before it is handed on.
using LineEmitter = std::function<void(std::string_view line)>;
using CreatedLines = std::function<void(const LineEmitter& emit)>;

// Create mode writes the lines to a staging file that takes `name` only once
// it is whole; update mode replaces the file once with all the edits made
// (profile_update). Returns true when the file was written whole.
bool write_file(std::string_view name, bool create, const CreatedLines& lines, const runtime::ProfileEdits& edits);

// What write_file would give the file now, without writing it; none when
// the existing file cannot be edited.
std::optional<std::string> file_content(std::string_view name, bool create, const CreatedLines& lines,
                                        const runtime::ProfileEdits& edits);

}  // namespace files
