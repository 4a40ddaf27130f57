#pragma once
// File names are GBK byte strings; a bare name means the current directory.
#include <string>
#include <string_view>

namespace runtime {

// True when a file (not a directory) of that name exists.
bool file_exists(std::string_view name);

// ".kestrel-" and 16 random hex digits: appended to a file's name, it names
// the new content a writer prepares beside the file before it takes its
// place. A leftover one (the writer was killed) is recognizable by it.
std::string temporary_sibling_suffix();

#ifdef _WIN32
// The UTF-16 form of a GBK file name, for the wide Win32 file calls.
std::wstring wide_file_name(std::string_view name);
#endif

}  // namespace runtime
