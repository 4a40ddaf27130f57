#pragma once
// An archive entry's name as the client on a Chinese Windows writes it, and
// the names Windows cannot create or that lead out of the program's folder.
// Texts are UTF-8.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/archive/archive_reader.h"

namespace release {

struct ClientName {
  std::string text;     // the path the client writes, UTF-8, "/" between folders
  std::string fault;    // why the client writes other characters than meant, or ""
  bool warning = false; // the fault is a warning only
};

// A name marked as Unicode is written as it is; any other is read in code
// page 936 (GBK).
ClientName client_name(const runtime::ArchiveEntry& entry);

// The parts of a path between "/" and "\", without empty ones.
std::vector<std::string_view> path_parts(std::string_view path);

// Why the path could write outside the folder it is unpacked into (absolute,
// a drive letter, a ".." part), or "".
std::string leaves_folder(std::string_view path);

// Why Windows cannot create a file or folder of this path, or "".
std::string windows_name_fault(std::string_view path);

// The path in the letter case Windows ignores (A to Z as a to z).
std::string folded(std::string_view path);

// True for well-formed UTF-8.
bool is_utf8(std::string_view text);

}  // namespace release
