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

// Create mode writes the lines through a line-mode text file to a staging
// file that takes `name` only once it is whole, so a crash never leaves a
// half-written file behind. Update mode makes the edits on the file's
// content and replaces the file once with all of them (profile_update).
// Returns true when the file was written whole.
bool write_file(std::string_view name, bool create, const CreatedLines& lines, const runtime::ProfileEdits& edits);

// What write_file would give the file now, without writing it: the lines
// each followed by CR LF, or the edited content; none when the existing
// file cannot be edited.
std::optional<std::string> file_content(std::string_view name, bool create, const CreatedLines& lines,
                                        const runtime::ProfileEdits& edits);

}  // namespace files
