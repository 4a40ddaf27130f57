#pragma once
// The standard streams of a program run from a terminal or a script: texts
// go out and come in in the terminal's encoding (UTF-8 on Linux; on Windows
// the console's characters, or its code page through a pipe or a file).
// Every text parameter here is UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// Writes to standard output or standard error in the terminal's encoding,
// at once: nothing waits in a buffer, whether the stream is a terminal, a
// pipe or a file.
void print_out(std::string_view utf8);
void print_err(std::string_view utf8);
// Writes bytes to standard output unchanged (JSON, which is UTF-8 always).
void print_out_bytes(std::string_view bytes);

// True when standard error is a terminal (not a pipe or a file).
bool error_is_terminal();

// All of standard input, as UTF-8 (typed at a console: one line); none when
// it cannot be read or is not text in the terminal's encoding.
std::optional<std::string> read_standard_input();

}  // namespace runtime
