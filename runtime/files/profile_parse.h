#pragma once
// The profile (INI) text itself, apart from any file: finding a key the way
// the Windows profile API finds it, and editing one key while every other
// byte stays as it was. All offsets count bytes of the whole file content.
#include <cstddef>
#include <string>
#include <string_view>

namespace runtime::profile {

// Removes blanks (spaces, tabs and vertical tabs) at both ends.
std::string_view trim_blanks(std::string_view text);

// Section and key names compare without regard to the letter case of A to Z;
// the two bytes of a GBK double-byte character compare exactly, so a trail
// byte in the range A-Z is never folded.
bool names_equal(std::string_view a, std::string_view b);

// A value of two or more bytes wrapped in one pair of matching quotes
// (" or ') without them; any other value as it is.
std::string_view unquote(std::string_view value);

// One line of the content: [begin, end) is its text, [end, next) its line end
// (LF, CR LF, a lone CR, or nothing on a last line without one).
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

// Splits the content into lines, from `begin` on, one after another. Finds
// line ends with memchr, remembering the next CR and the next LF it has seen,
// so each byte is looked at about once whichever line ends the file uses.
class LineReader {
 public:
  explicit LineReader(std::string_view content, std::size_t begin = 0);
  // The next line, or false past the end of the content.
  bool next(Line& line);

 private:
  std::size_t find(char byte, std::size_t from) const;

  std::string_view content_;
  std::size_t pos_;
  std::size_t next_cr_ = 0;
  std::size_t next_lf_ = 0;
  bool scanned_ = false;
};

// The line end of the content's first line, or CR LF when it has none; lines
// added to the content use it.
std::string_view added_line_end(std::string_view content);

// What the content holds for one section and key.
struct Lookup {
  bool section_found = false;
  bool key_found = false;
  // A found key line without "=" has no value: it reads as absent.
  bool has_value = false;
  // Found key: its value as written (blanks removed, quotes kept), the
  // offset where its name ends (blanks after it not counted), where the
  // value begins (after "=" and the blanks after it) and where the text of
  // its line ends.
  std::string_view raw_value;
  std::size_t name_end = 0;
  std::size_t value_begin = 0;
  std::size_t value_line_end = 0;
  // Found section without the key: the line after which a key line is
  // added (the last key line of the section, else its header line).
  Line insert_after;
};

// Searches the first section named `section`, and in it the first key named
// `key`, both taken without the spaces at their ends. Later sections of the
// same name are not searched. As for the Windows profile API, a line that
// begins with "[" is a section header whose name ends at the first "]" or,
// without one, at the line end; a line without "=" is a key line without a
// value; a UTF-8 byte-order mark is no mark but the first bytes of the
// first line, so a header there is none.
Lookup find_key(std::string_view content, std::string_view section, std::string_view key);

// An edit of the content, given as the bytes that stay around the new ones,
// so a large file is written out without first being copied: the edited
// content is content[0, keep_before) + insert + content[keep_after, end) +
// closing.
struct Edit {
  std::size_t keep_before = 0;
  std::string insert;
  std::size_t keep_after = 0;
  // The line end that the content's last line lacked, or nothing: an edited
  // file always ends with a line end, as one that Windows rewrote does.
  std::string_view closing;
};

// What a write does with the lines after the key's own. A value of several
// lines leaves its later lines there, on lines of their own that no key
// owns and that the profile API never reads; a value written over such a
// value takes them away with it.
enum class FollowingLines {
  kept,
  // The lines after the key line up to the next line that holds "=", a
  // section header, a comment or the end go too; blank lines just before
  // that line stay.
  replaced,
};

// Sets `key` of `section` (both without the spaces at their ends) to
// `value`: the value replaces the rest of the key's own line (a key line
// without "=" gets "=" and the value after its name), or a "key=value" line
// is added after the last key line of the section, or the section and the
// key are added at the end.
Edit plan_key_edit(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value, FollowingLines following = FollowingLines::kept);

}  // namespace runtime::profile
