#pragma once
// Profile (INI) files, read and edited the way the Windows profile API reads
// them, while every byte outside the edited key stays as it was.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/files/profile_parse.h"

namespace runtime {

using profile::FollowingLines;

// The value of `key` in `section` of `file`, or `default_value` when the file,
// the section or the key is absent. A key with an empty value gives "".
// All as the Windows profile API of Windows 10 reads the file, which is how
// the update client reads it. Section and key names are looked up without
// the spaces at their ends and match without regard to letter case; blanks
// (spaces, tabs, vertical tabs) around names, around "=" and around the
// value are ignored; a value wrapped in one pair of matching quotes (" or ')
// is given without them; a line that begins with ";" is never a key; the
// first matching section, and in it the first matching key, wins. A line
// "[name" without its "]" is the header of section "name"; a line without
// "=" is its key with no value: it gives `default_value` and hides later
// lines of that key in the section. A UTF-8 byte-order mark is not
// understood: it is part of the first line, so a header there is none.
std::string profile_read(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view default_value);

// Sets `key` in `section` of `file` to `value`, written unchanged; the names
// are found, and written, as profile_read finds them (without the spaces at
// their ends). Replaces the value in the key's own line (a key line without
// "=" gets "=" and the value), adds a missing key after the last key line of
// its section, adds a missing section at the end of the file, creates a
// missing file; a last line without a line end gets one. The new
// content is written beside the file and renamed into place, so the file is
// always either the old one or the new one, whole. A missing file is created
// only while no file has its name: one that appears meanwhile is edited
// instead. Temporaries of the file that writers killed midway left beside it
// are removed. Returns true when the file now holds the value.
bool profile_write(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value);

// A profile file's content in memory, read and edited exactly as
// profile_read and profile_write read and edit the file itself.
class ProfileText {
 public:
  explicit ProfileText(std::string content = {});
  std::string read(std::string_view section, std::string_view key, std::string_view default_value) const;
  // The value read gives, or none where read gives its default value.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  // As profile_write; with FollowingLines::replaced, the later lines of a
  // value of several lines that the key held go with it.
  void write(std::string_view section, std::string_view key, std::string_view value,
             FollowingLines following = FollowingLines::kept);
  const std::string& content() const { return content_; }

 private:
  std::string content_;
};

using ProfileEdits = std::function<void(ProfileText&)>;

// Several reads and writes as one change of the file: `edits` runs on the
// file's current content (empty for a missing file, which is then created),
// and the file is replaced once with the result, as profile_write replaces
// it. The bytes are those that the same profile_read and profile_write calls
// would give one after another; but afterwards the file holds all of the
// writes, or (false) is exactly as it was. Other cooperating writers wait.
// `edits` runs once more, on that file, when a file appears while a
// missing one is being created.
bool profile_update(std::string_view file, const ProfileEdits& edits);

// The content that profile_update would write, without writing anything;
// none when the file cannot be edited (unreadable, not a file, UTF-16).
std::optional<std::string> profile_preview(std::string_view file, const ProfileEdits& edits);

}  // namespace runtime
