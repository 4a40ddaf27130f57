#pragma once
// The new content a writer prepares beside a file, "<name>.kestrel-<hex
// digits>", before it takes the file's name. Its writer holds it from its
// creation until it has the name or is gone: under an exclusive flock on
// POSIX, through a handle that lets nobody delete it on Windows. So one
// that nobody holds is a leftover of a killed writer, and is removed by the
// next write of the same file.
#include <filesystem>
#include <string>
#include <string_view>

namespace runtime::temporary {

// ".kestrel-" and 16 random hex digits, to append to the file's name.
std::string sibling_suffix();
// The directory a file is in: "." for a bare name.
std::filesystem::path directory_of(const std::filesystem::path& target);

// True when `entry`, a name in a directory, is a temporary of `target_name`
// (the file name alone).
bool is_temporary_of(std::string_view entry, std::string_view target_name);
// True when the name ends the way a temporary's name ends.
bool is_temporary_name(std::string_view name);
// The name a temporary's name stands for: without its suffix.
std::string target_name(std::string_view temporary_name);

// Removes the temporaries beside `target` that no running writer holds.
void remove_stale(const std::filesystem::path& target);

// How a new file fared when it was to take a name that nothing had yet.
enum class Placed {
  placed,       // it has the name
  name_taken,   // a file of that name appeared meanwhile; nothing changed
  unsupported,  // the file system cannot do it without replacing (POSIX)
  failed,
};

#ifdef _WIN32
using Native = void*;  // a HANDLE
inline const Native no_file = reinterpret_cast<Native>(-1);  // INVALID_HANDLE_VALUE
#else
using Native = int;  // a descriptor
constexpr Native no_file = -1;
#endif

// Writes all of `bytes` to the open file; false when some did not reach it.
bool write_all(Native file, std::string_view bytes);

// A new temporary beside `target`, created and held. `name` is the name to
// give it (one of sibling_suffix's), or empty for a new one; it is set to
// the name it got. no_file when none could be made. On Windows the handle
// is opened for reading, writing and deleting, and shared with nobody.
Native create_held(const std::filesystem::path& target, std::filesystem::path& name);

#ifdef _WIN32
// Renames the held file to `target` through its handle, replacing a file
// there only when `replace`. The failed result leaves GetLastError set.
Placed rename_held(Native file, const std::filesystem::path& target, bool replace);
// Marks the held file for removal when its handle is closed.
void delete_on_close(Native file);
#else
// Gives `temp` the name `target` unless something has that name: a hard
// link (then the temporary's own name is dropped), or where the file system
// has none, a rename that refuses to replace.
Placed place_new(const std::filesystem::path& temp, const std::filesystem::path& target);
#endif

}  // namespace runtime::temporary
