#pragma once
// Where kestrel-cli meets the terminal and the operating system: texts come
// in and go out in the terminal's encoding (UTF-8 on Linux; on Windows the
// wide command line and environment, and the console's code page), and are
// GBK inside. Every text parameter here is UTF-8.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// The command line, program name first, as UTF-8.
std::vector<std::string> command_line_arguments(int argc, char** argv);

// Writes to standard output or standard error in the terminal's encoding.
void print_out(std::string_view utf8);
void print_err(std::string_view utf8);
// Writes bytes to standard output unchanged (JSON, which is UTF-8 always).
void print_out_bytes(std::string_view bytes);

// The value of an environment variable; none when it is not set.
std::optional<std::string> environment_variable(const std::string& name);

// All of standard input, as UTF-8; none when it cannot be read or is not
// text in the terminal's encoding.
std::optional<std::string> read_standard_input();

// The bytes of a file; none (and `error` set) when it cannot be read.
std::optional<std::string> read_file(const std::string& path, std::string& error);

// Gives a file's bytes to `piece` a piece at a time, so that memory stays
// the same whatever its size; false (and `error` set) when it cannot be read.
bool read_file_pieces(const std::string& path, const std::function<void(std::string_view)>& piece,
                      std::string& error);

// True when standard error is a terminal (not a pipe or a file).
bool error_is_terminal();

// Makes `path` the working directory; false (and `error` set) when it fails.
bool change_directory(const std::string& path, std::string& error);

}  // namespace cli
