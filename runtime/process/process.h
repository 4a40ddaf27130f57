#pragma once
// What a process has from the system: its command line, its environment,
// its working directory and, on POSIX, its own program file. Texts are UTF-8.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace runtime {

// The command line, program name first (on Windows the wide one).
std::vector<std::string> command_line_arguments(int argc, char** argv);

// The value of an environment variable; none when it is not set.
std::optional<std::string> environment_variable(const std::string& name);

// Makes `path` the working directory; false (and `error` set) when it fails.
bool change_directory(const std::string& path, std::string& error);

#ifndef _WIN32
// A program handing a command to another one (kestrel-cli to its helper);
// on Windows kestrel-cli.exe is one program and hands over nothing.

// The file this process runs from; empty when the system does not say.
std::filesystem::path program_file();

// Runs `program` in place of this process with `arguments` (its name
// first), keeping the process, its standard streams and its working
// directory: returns only when it could not be started, with `error` set.
void replace_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     std::string& error);
#endif

}  // namespace runtime
