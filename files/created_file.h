#pragma once
// Create mode, the same for both files: the file made anew from its lines.
#include <functional>
#include <string>
#include <string_view>

namespace files {

// Hands the file's lines, in order, to `emit`, each formed just before it
// is handed on.
using LineEmitter = std::function<void(std::string_view line)>;
using CreatedLines = std::function<void(const LineEmitter& emit)>;

// Writes the lines through a line-mode text file to a staging file that
// takes `name` only once it is whole, so a crash never leaves a
// half-written file behind. Returns true when `name` holds the lines whole.
bool create_file(std::string_view name, const CreatedLines& lines);

// What create_file would write: each line followed by CR LF.
std::string created_content(const CreatedLines& lines);

}  // namespace files
