#ifndef _WIN32

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <iterator>

#include "runtime/process/console.h"

namespace runtime {

// Each text goes out as it is printed, into a pipe or a file as well: a
// script reading the output line by line sees each round of verify as it
// ends, and a job cancelled meanwhile keeps what was printed.
void print_out(std::string_view utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

void print_err(std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stderr); }

void print_out_bytes(std::string_view bytes) { print_out(bytes); }

bool error_is_terminal() { return ::isatty(2) == 1; }

std::optional<std::string> read_standard_input() {
  std::string bytes{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
  if (std::cin.bad()) return std::nullopt;
  return bytes;
}

}  // namespace runtime

#endif
