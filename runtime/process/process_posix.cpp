#ifndef _WIN32

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/process/process.h"

namespace runtime {

std::vector<std::string> command_line_arguments(int argc, char** argv) { return {argv, argv + argc}; }

std::optional<std::string> environment_variable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

bool change_directory(const std::string& path, std::string& error) {
  if (::chdir(path.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

std::filesystem::path program_file() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error);
}

void replace_process(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                     std::string& error) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  error = std::strerror(errno);
}

}  // namespace runtime

#endif
