#include "profile_case.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "fuzz_input.h"
#include "runtime/files/profile.h"

namespace fuzz {
namespace {

namespace fs = std::filesystem;

const char absent[] = "\n(absent)\n";  // no value read back can hold a line break

struct Operation {
  bool write = false;
  std::string section;
  std::string key;
  std::string value;
};

bool is_break(char c) { return c == '\r' || c == '\n'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v'; }
bool is_lead(char c) { return static_cast<unsigned char>(c) >= 0x81 && static_cast<unsigned char>(c) <= 0xFE; }
bool has_break(const std::string& s) { return std::any_of(s.begin(), s.end(), is_break); }
bool trimmed(const std::string& s) { return s.empty() || (!is_blank(s.front()) && !is_blank(s.back())); }

// The rules of reading, as the file's user sees them: blanks (spaces, tabs,
// vertical tabs) around a value are dropped and one pair of matching quotes
// around it is taken off; a line that starts with ";" is no key line, nor
// is one that starts with "[" (a header, with or without its "]"); a key
// ends at the first "="; a section name ends at the first "]" that is not
// the second byte of a double-byte character.
bool value_reads_back(const std::string& v) {
  const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return !has_break(v) && trimmed(v) && !quoted;
}

bool key_reads_back(const std::string& k) {
  return !has_break(k) && trimmed(k) && k.find('=') == std::string::npos &&
         (k.empty() || (k.front() != ';' && k.front() != '['));
}

bool section_reads_back(const std::string& s) {
  if (has_break(s) || !trimmed(s)) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (is_lead(s[i])) {
      if (i + 1 == s.size()) return false;  // would pair with the closing "]"
      ++i;
    } else if (s[i] == ']') {
      return false;
    }
  }
  return true;
}

// Windows reads a file that starts with a UTF-16 byte-order mark as UTF-16;
// such a file is never edited, and reads as holding no keys.
bool is_utf16(const std::string& content) {
  return content.compare(0, 2, "\xFF\xFE") == 0 || content.compare(0, 2, "\xFE\xFF") == 0;
}

bool reads_back(const Operation& op) {
  return section_reads_back(op.section) && key_reads_back(op.key) && value_reads_back(op.value);
}

// Names compare without the letter case of A to Z, except in the second
// byte of a double-byte character.
std::string name_form(const std::string& name) {
  std::string form = name;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (is_lead(form[i]) && i + 1 < form.size()) {
      ++i;
    } else if (form[i] >= 'A' && form[i] <= 'Z') {
      form[i] = static_cast<char>(form[i] - 'A' + 'a');
    }
  }
  return form;
}

std::string escaped(const std::string& bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && c != '"' && c != '\\') {
      out.push_back(c);
    } else {
      static const char hex[] = "0123456789abcdef";
      out += "\\x";
      out.push_back(hex[b >> 4]);
      out.push_back(hex[b & 15]);
    }
  }
  return out + "\"";
}

std::string describe(const Operation& op) {
  return std::string(op.write ? "write " : "read ") + escaped(op.section) + " " + escaped(op.key) +
         (op.write ? " = " + escaped(op.value) : "");
}

std::string read_file(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A UTF-8 byte-order mark is no mark to Windows: it begins the first line.
bool starts_line(const std::string& text, std::size_t pos) { return pos == 0 || is_break(text[pos - 1]); }

// Names given to the services lose the spaces at their ends.
std::string without_end_spaces(const std::string& name) {
  const std::size_t first = name.find_first_not_of(' ');
  return first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(' ') + 1 - first);
}

// True when `after` is `before` with the rest of one key line (after its
// "=") replaced by the value.
bool replaced_in_a_key_line(const std::string& before, const std::string& after, const std::string& value,
                            std::size_t prefix, std::size_t suffix) {
  if (after.size() < value.size()) return false;
  const std::size_t lowest = after.size() - value.size() > suffix ? after.size() - value.size() - suffix : 0;
  const std::size_t highest = std::min(prefix, after.size() - value.size());
  for (std::size_t i = lowest; i <= highest; ++i) {
    const long long j = static_cast<long long>(i + before.size() + value.size()) - static_cast<long long>(after.size());
    if (j < static_cast<long long>(i) || j > static_cast<long long>(before.size())) continue;
    const auto end = static_cast<std::size_t>(j);
    if (after.compare(i, value.size(), value) != 0) continue;
    if (std::any_of(before.begin() + static_cast<long>(i), before.begin() + static_cast<long>(end), is_break)) continue;
    if (end != before.size() && !is_break(before[end])) continue;  // the old value ran to its line end
    std::size_t line_begin = i;
    while (line_begin > 0 && !is_break(before[line_begin - 1])) --line_begin;
    if (before.find('=', line_begin) < i) return true;
  }
  return false;
}

// True when `after` is `before` with "=" and the value put in place of the
// end of one key line that had no "=": after the key's name, in place of
// the blanks that followed it.
bool equals_added_to_a_key_line(const std::string& before, const std::string& after, const std::string& value,
                                std::size_t prefix, std::size_t suffix) {
  const std::string inserted = "=" + value;
  if (after.size() < inserted.size() || prefix > before.size()) return false;
  for (std::size_t i = after.size() - inserted.size() > suffix ? after.size() - inserted.size() - suffix : 0;
       i <= std::min(prefix, after.size() - inserted.size()); ++i) {
    if (i == 0 || after.compare(i, inserted.size(), inserted) != 0) continue;
    // The bytes from i to the line end in `before` were blanks only.
    const std::size_t kept = after.size() - i - inserted.size();
    if (kept > before.size() || before.size() - kept < i) continue;
    const std::size_t end = before.size() - kept;
    if (end != before.size() && !is_break(before[end])) continue;
    if (!std::all_of(before.begin() + static_cast<long>(i), before.begin() + static_cast<long>(end), is_blank)) continue;
    std::size_t line_begin = i;
    while (line_begin > 0 && !is_break(before[line_begin - 1])) --line_begin;
    const std::string line = before.substr(line_begin, end - line_begin);
    const std::size_t first = line.find_first_not_of(" \t\v");
    if (line.find('=') == std::string::npos && line[first] != ';' && line[first] != '[' && !is_blank(before[i - 1]) &&
        !is_break(before[i - 1])) {
      return true;
    }
  }
  return false;
}

// True when `after` is `before` with whole lines inserted: "key=value" at
// the start of a line, or "[section]" and "key=value" at the end; either
// after a line end that the last line lacked.
bool lines_inserted(const std::string& before, const std::string& after, const Operation& op,
                    std::size_t prefix, std::size_t suffix) {
  if (after.size() <= before.size()) return false;
  const std::size_t grown = after.size() - before.size();
  const bool last_line_open = !before.empty() && !is_break(before.back());
  for (const std::string line_end : {"\r\n", "\n", "\r"}) {
    const std::string key_line = op.key + "=" + op.value + line_end;
    const std::string section_lines = "[" + op.section + "]" + line_end + key_line;
    for (const bool opened : {false, true}) {
      for (const bool with_section : {false, true}) {
        const std::string inserted = (opened ? line_end : "") + (with_section ? section_lines : key_line);
        if (inserted.size() != grown) continue;
        const std::size_t lowest = before.size() > suffix ? before.size() - suffix : 0;
        for (std::size_t i = lowest; i <= std::min(prefix, before.size()); ++i) {
          if (after.compare(i, inserted.size(), inserted) != 0) continue;
          if (opened && !(i == before.size() && last_line_open)) continue;
          if (with_section && i != before.size()) continue;  // a new section goes at the end
          if (!opened && !starts_line(before, i)) continue;
          return true;
        }
      }
    }
  }
  return false;
}

bool one_change(const std::string& before, const std::string& after, const Operation& op) {
  const std::size_t shorter = std::min(before.size(), after.size());
  std::size_t prefix = 0;
  while (prefix < shorter && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < shorter && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) ++suffix;
  return replaced_in_a_key_line(before, after, op.value, prefix, suffix) ||
         equals_added_to_a_key_line(before, after, op.value, prefix, suffix) ||
         lines_inserted(before, after, op, prefix, suffix);
}

// One change, and a line end after the last line if that lacked one: an
// edited file ends with a line end.
std::string check_edit(const std::string& before, const std::string& after, const Operation& op) {
  if (one_change(before, after, op)) return "";
  if (!before.empty() && !is_break(before.back())) {
    for (const std::string line_end : {"\r\n", "\n", "\r"}) {
      if (after.ends_with(line_end) && one_change(before, after.substr(0, after.size() - line_end.size()), op)) {
        return "";
      }
    }
  }
  return "the file changed beyond the edited key: before " + escaped(before) + ", after " + escaped(after);
}

struct Known {
  std::string section_form;
  std::string key_form;
  Operation written;
};

}  // namespace

std::string run_profile_case(const std::uint8_t* data, std::size_t size, const fs::path& directory) {
  FuzzInput input(data, size);
  std::vector<Operation> operations(input.byte() % 6 + 1);
  for (Operation& op : operations) {
    op.write = input.byte() % 2 == 0;
    op.section = input.text(24);
    op.key = input.text(24);
    op.value = input.text(64);
  }
  std::string content = input.rest();

  const fs::path file = directory / "case.ini";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
  }
  const std::string name = file.string();
  // Keys written by writes that read back; forgotten after a write whose
  // bytes may change the lines around them.
  std::vector<Known> known;
  for (const Operation& op : operations) {
    const auto where = [&] { return describe(op) + " on " + escaped(content) + ": "; };
    if (!op.write) {
      const std::string got = runtime::profile_read(name, op.section, op.key, absent);
      if (is_utf16(content) && got != absent) return where() + "read " + escaped(got) + " from a UTF-16 file";
      if (got != absent && content.find(got) == std::string::npos) {
        return where() + "read " + escaped(got) + ", which is not in the file";
      }
      continue;
    }
    const bool written = runtime::profile_write(name, op.section, op.key, op.value);
    const std::string after = read_file(file);
    std::error_code error;
    const auto names = std::distance(fs::directory_iterator(directory, error), fs::directory_iterator());
    if (names != 1) return where() + "left " + std::to_string(names - 1) + " other files beside the file";
    if (!written) {
      if (after != content) return where() + "a refused write changed the file";
      if (is_utf16(content)) continue;
      return where() + "an ordinary file was not written";
    }
    if (is_utf16(content)) return where() + "a UTF-16 file was edited";
    const Operation as_written{true, without_end_spaces(op.section), without_end_spaces(op.key), op.value};
    if (const std::string broken = check_edit(content, after, as_written); !broken.empty()) return where() + broken;
    // The same write taking the old value's later lines along only takes bytes away.
    runtime::ProfileText taking_lines{content};
    taking_lines.write(op.section, op.key, op.value, runtime::FollowingLines::replaced);
    if (taking_lines.content().size() > after.size()) return where() + "taking the old value's lines added bytes";
    if (reads_back(op) && taking_lines.read(op.section, op.key, absent) != op.value)
      return where() + "taking the old value's lines lost the value";
    content = after;

    if (!reads_back(op)) {
      known.clear();
      continue;
    }
    Known entry{name_form(op.section), name_form(op.key), op};
    const auto same = std::find_if(known.begin(), known.end(), [&](const Known& k) {
      return k.section_form == entry.section_form && k.key_form == entry.key_form;
    });
    if (same != known.end()) *same = entry;
    else known.push_back(entry);
    for (const Known& k : known) {
      const std::string got = runtime::profile_read(name, k.written.section, k.written.key, absent);
      if (got != k.written.value) {
        return where() + "then " + describe(k.written) + " reads back as " + escaped(got);
      }
    }
  }
  return "";
}

}  // namespace fuzz
