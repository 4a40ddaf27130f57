#include "runtime/files/profile_parse.h"

#include <algorithm>
#include <cstring>

#include "runtime/text/strings.h"

namespace runtime::profile {

namespace {

// Windows strips the vertical tab around names and values as it strips
// spaces and tabs.
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_lead(char c) { return gbk_is_lead_byte(static_cast<unsigned char>(c)); }

enum class Kind { other, section, key };

// What one line says: a section header (name), a key line (name, and where
// its value begins when it has an "="), or nothing (blank lines, comments).
struct Parsed {
  Kind kind = Kind::other;
  std::string_view name;
  bool has_value = false;
  std::size_t name_end = 0;
  std::size_t value_begin = 0;
};

// Offset of the first "]" in text at or after `from`, or npos. The second
// byte of a double-byte character may be 0x5D and is not a "]".
std::size_t find_closing_bracket(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (is_lead(text[i]) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == ']') {
      return i;
    }
  }
  return std::string_view::npos;
}

Parsed parse_line(std::string_view content, const Line& line) {
  const std::string_view text = content.substr(line.begin, line.end - line.begin);
  std::size_t first = 0;
  while (first < text.size() && is_blank(text[first])) ++first;
  Parsed parsed;
  if (first == text.size() || text[first] == ';') return parsed;
  if (text[first] == '[') {
    // The name ends at the first "]", or at the line end when the "]" is
    // missing: Windows reads "[Update" as the header of [Update].
    const std::size_t close = std::min(find_closing_bracket(text, first + 1), text.size());
    parsed.kind = Kind::section;
    parsed.name = trim_blanks(text.substr(first + 1, close - first - 1));
    return parsed;
  }
  // A line without "=" is a key without a value, as for the API: it reads
  // as absent, yet hides later lines of the same key.
  const std::size_t equals = text.find('=', first);
  parsed.kind = Kind::key;
  parsed.has_value = equals != std::string_view::npos;
  parsed.name = trim_blanks(text.substr(first, (parsed.has_value ? equals : text.size()) - first));
  parsed.name_end = line.begin + first + parsed.name.size();
  if (parsed.has_value) {
    std::size_t value = equals + 1;
    while (value < text.size() && is_blank(text[value])) ++value;
    parsed.value_begin = line.begin + value;
  }
  return parsed;
}

// The line that begins at `begin`, found by reading that line only. (A
// LineReader made afresh for each header would search the rest of the
// content for both kinds of line end; in a file of LF only, the search for
// a CR runs to the end every time, and finding a section costs the square
// of the file's size.)
Line line_at(std::string_view content, std::size_t begin) {
  Line line;
  line.begin = begin;
  std::size_t end = begin;
  while (end < content.size() && content[end] != '\r' && content[end] != '\n') ++end;
  line.end = line.next = end;
  if (end < content.size()) {
    ++line.next;
    if (content[end] == '\r' && line.next < content.size() && content[line.next] == '\n') ++line.next;
  }
  return line;
}

// The start of the first line at or after `from` (itself a line start)
// whose first non-blank byte is "[", or the content's size. A "[" that is
// the trail byte of a double-byte character follows its lead byte, so it is
// never the first non-blank byte of a line.
std::size_t next_header_line(std::string_view content, std::size_t from) {
  for (std::size_t pos = from; pos < content.size();) {
    const void* hit = std::memchr(content.data() + pos, '[', content.size() - pos);
    if (hit == nullptr) break;
    const std::size_t bracket = static_cast<std::size_t>(static_cast<const char*>(hit) - content.data());
    std::size_t start = bracket;
    while (start > from && is_blank(content[start - 1])) --start;
    if (start == from || content[start - 1] == '\r' || content[start - 1] == '\n') return start;
    pos = bracket + 1;
  }
  return content.size();
}

bool ends_without_line_end(std::string_view content) {
  return !content.empty() && content.back() != '\r' && content.back() != '\n';
}

// The line end that a changed file gets after its last line when that line
// has none: Windows ends every file it rewrites with a line end.
std::string_view closing_line_end(std::string_view content) {
  return ends_without_line_end(content) ? added_line_end(content) : std::string_view{};
}

// Names given to the services are taken without the spaces at their ends.
std::string_view given_name(std::string_view name) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') + 1 - first);
}

// Where the lines an earlier value of several lines left after its key line
// end: after the last of the lines that follow the key line (whose text ends
// at `key_line_end`) and that hold no "=", no section header and no comment.
// Blank lines among them go with them; blank lines after the last stay.
std::size_t end_of_value_lines(std::string_view content, std::size_t key_line_end) {
  std::size_t end = key_line_end;
  LineReader lines(content, line_at(content, key_line_end).next);
  Line line;
  while (lines.next(line)) {
    const Parsed parsed = parse_line(content, line);
    if (parsed.kind == Kind::section || parsed.has_value) break;
    if (parsed.kind == Kind::key) {
      end = line.end;
    } else if (!trim_blanks(content.substr(line.begin, line.end - line.begin)).empty()) {
      break;  // a comment
    }
  }
  return end;
}

void append_key_line(std::string& out, std::string_view key, std::string_view value,
                     std::string_view line_end) {
  out.append(key);
  out.push_back('=');
  out.append(value);
  out.append(line_end);
}

}  // namespace

std::string_view trim_blanks(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && is_blank(text[first])) ++first;
  while (last > first && is_blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool names_equal(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (is_lead(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (fold(a[i]) != fold(b[i])) {
      return false;
    }
  }
  return true;
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

LineReader::LineReader(std::string_view content, std::size_t begin)
    : content_(content), pos_(begin) {}

std::size_t LineReader::find(char byte, std::size_t from) const {
  const void* hit = std::memchr(content_.data() + from, byte, content_.size() - from);
  return hit == nullptr ? content_.size() : static_cast<std::size_t>(static_cast<const char*>(hit) - content_.data());
}

bool LineReader::next(Line& line) {
  if (pos_ >= content_.size()) return false;
  if (!scanned_ || next_cr_ < pos_) next_cr_ = find('\r', pos_);
  if (!scanned_ || next_lf_ < pos_) next_lf_ = find('\n', pos_);
  scanned_ = true;
  line.begin = pos_;
  line.end = std::min(next_cr_, next_lf_);
  line.next = line.end;
  if (line.next < content_.size()) {
    ++line.next;
    if (content_[line.end] == '\r' && line.next < content_.size() && content_[line.next] == '\n') {
      ++line.next;
    }
  }
  pos_ = line.next;
  return true;
}

std::string_view added_line_end(std::string_view content) {
  LineReader lines(content);
  Line first;
  if (lines.next(first) && first.next > first.end) {
    return content.substr(first.end, first.next - first.end);
  }
  return "\r\n";
}

Lookup find_key(std::string_view content, std::string_view section, std::string_view key) {
  section = given_name(section);
  key = given_name(key);
  Lookup found;
  // Until the section is found only section headers matter: jump from one
  // header to the next instead of reading every line.
  std::size_t pos = 0;
  while (!found.section_found) {
    pos = next_header_line(content, pos);
    if (pos >= content.size()) return found;
    const Line header = line_at(content, pos);
    const Parsed parsed = parse_line(content, header);
    if (parsed.kind == Kind::section && names_equal(parsed.name, section)) {
      found.section_found = true;
      found.insert_after = header;
    }
    pos = header.next;
  }
  LineReader lines(content, pos);
  Line line;
  while (lines.next(line)) {
    const Parsed parsed = parse_line(content, line);
    if (parsed.kind == Kind::section) break;  // the first section of that name has ended
    if (parsed.kind == Kind::key) {
      found.insert_after = line;
      if (names_equal(parsed.name, key)) {
        found.key_found = true;
        found.has_value = parsed.has_value;
        found.name_end = parsed.name_end;
        found.value_begin = parsed.value_begin;
        found.value_line_end = line.end;
        if (parsed.has_value) {
          found.raw_value = trim_blanks(content.substr(parsed.value_begin, line.end - parsed.value_begin));
        }
        return found;
      }
    }
  }
  return found;
}

Edit plan_key_edit(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value, FollowingLines following) {
  section = given_name(section);
  key = given_name(key);
  const Lookup found = find_key(content, section, key);
  Edit edit;
  edit.closing = closing_line_end(content);
  if (found.key_found) {
    edit.keep_after = following == FollowingLines::replaced ? end_of_value_lines(content, found.value_line_end)
                                                            : found.value_line_end;
    if (found.has_value) {
      edit.keep_before = found.value_begin;
    } else {  // a key line without "=": it gets one, and the value
      edit.keep_before = found.name_end;
      edit.insert = "=";
    }
    edit.insert.append(value);
    return edit;
  }
  const std::string_view line_end = added_line_end(content);
  if (found.section_found) {
    const Line& after = found.insert_after;
    edit.keep_before = edit.keep_after = after.next;
    if (after.next == after.end) {  // the last line, without a line end: the key goes after one
      edit.insert.append(line_end);
      edit.closing = {};
    }
    append_key_line(edit.insert, key, value, line_end);
    return edit;
  }
  edit.closing = {};  // the added lines end the file, each with a line end
  edit.keep_before = edit.keep_after = content.size();
  if (ends_without_line_end(content)) edit.insert.append(line_end);
  edit.insert.push_back('[');
  edit.insert.append(section);
  edit.insert.push_back(']');
  edit.insert.append(line_end);
  append_key_line(edit.insert, key, value, line_end);
  return edit;
}

}  // namespace runtime::profile
