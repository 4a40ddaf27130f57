#pragma once
// Profile (INI) files, read and edited the way the Windows profile API reads
// them, while every byte outside the edited key stays as it was.
#include <string>
#include <string_view>

namespace runtime {

// The value of `key` in `section` of `file`, or `default_value` when the file,
// the section or the key is absent. A key with an empty value gives "".
// Section and key names match without regard to letter case; blanks around
// names, around "=" and around the value are ignored; a value wrapped in one
// pair of matching quotes (" or ') is given without them; a line that begins
// with ";" is never a key; the first matching section, and in it the first
// matching key, wins.
std::string profile_read(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view default_value);

// Sets `key` in `section` of `file` to `value`, written unchanged. Replaces
// the value in the key's own line, adds a missing key after the last key line
// of its section, adds a missing section at the end of the file, creates a
// missing file. The new content is written beside the file and renamed into
// place, so the file is always either the old one or the new one, whole.
// Returns true when the file now holds the value.
bool profile_write(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value);

}  // namespace runtime
