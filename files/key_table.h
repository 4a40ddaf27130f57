#pragma once
// A file's keys as one table: where each stands (section and name), which
// value it holds, the comment above it in a created file, and what update
// mode does with it. Both files are written from their table and read back
// through it, so a key is spelled once and every reader finds it where the
// writer put it.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_modes.h"
#include "runtime/files/profile.h"
#include "runtime/text/gbk.h"
#include "runtime/text/strings.h"

namespace files {

enum class OnUpdate {
  write,          // set to the value
  write_lines,    // set to the value, which may span lines: the later lines of the value it replaces go too
  add_if_absent,  // set only where the file has no such key
  leave,          // written only when the file is created
};

template <typename Values>
struct Key {
  const char* section;
  const char* name;
  std::string Values::*value;    // the value it holds, as typed (written trimmed); or null
  std::string (*made)();         // for a key without one: its value, made when it is written
  const char* comment_utf8;      // the comment line above it in a created file, or null
  OnUpdate on_update;
};

template <typename Values>
std::string written_value(const Key<Values>& key, const Values& values) {
  return key.value ? runtime::string_trim(values.*key.value) : key.made();
}

// The created file's lines: a section's header where the section changes,
// each key's comment, then the key with its value, formed just before its
// line is handed on.
template <typename Values>
CreatedLines created_lines(std::span<const Key<Values>> keys, const Values& values) {
  return [keys, &values](const LineEmitter& emit) {
    std::string_view section;
    for (const Key<Values>& key : keys) {
      if (section != key.section) emit("[" + std::string(section = key.section) + "]");
      if (key.comment_utf8) emit(runtime::gbk(key.comment_utf8));
      emit(std::string(key.name) + "=" + written_value(key, values));
    }
  };
}

// Update mode's reads and writes on the file's content, in the table's order.
template <typename Values>
runtime::ProfileEdits update_edits(std::span<const Key<Values>> keys, const Values& values) {
  return [keys, &values](runtime::ProfileText& file) {
    const std::string ls_null = "#ERROR";
    for (const Key<Values>& key : keys) {
      if (key.on_update == OnUpdate::leave) continue;
      if (key.on_update == OnUpdate::add_if_absent && file.read(key.section, key.name, ls_null) != ls_null) continue;
      const auto following = key.on_update == OnUpdate::write_lines ? runtime::FollowingLines::replaced
                                                                    : runtime::FollowingLines::kept;
      file.write(key.section, key.name, written_value(key, values), following);
    }
  };
}

// The file written from its values in create or update mode (write_file),
// and what that would give it, without writing.
template <typename Values>
bool write_values(std::string_view name, bool create, std::span<const Key<Values>> keys, const Values& values) {
  return write_file(name, create, created_lines(keys, values), update_edits(keys, values));
}
template <typename Values>
std::optional<std::string> content_of_values(std::string_view name, bool create, std::span<const Key<Values>> keys,
                                             const Values& values) {
  return file_content(name, create, created_lines(keys, values), update_edits(keys, values));
}

// The values a file's content holds, read as the client reads them; a key
// the content lacks gives "" and is named in `missing`.
template <typename Values>
Values read_values(std::span<const Key<Values>> keys, std::string_view content,
                   std::vector<std::string>* missing = nullptr) {
  const runtime::ProfileText text{std::string(content)};
  Values values;
  for (const Key<Values>& key : keys) {
    if (!key.value) continue;
    std::optional<std::string> value = text.value(key.section, key.name);
    if (!value && missing) missing->push_back(key.name);
    values.*key.value = value.value_or("");
  }
  return values;
}

}  // namespace files
