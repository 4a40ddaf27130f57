#pragma once
// Update.txt: the descriptor of the newest release, uploaded to the web server.
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/key_table.h"

namespace files {

inline constexpr char update_descriptor_file[] = "Update.txt";

// The edits' texts as typed; the writer trims each value (spaces only).
struct UpdateDescriptor {
  std::string Version;
  std::string Date;
  std::string URL;
  std::string Note;
};

// The file's keys, in the order of the created file: section Update.
std::span<const Key<UpdateDescriptor>> update_descriptor_keys();

// Create mode writes the whole 5-line file; update mode rewrites the four keys
// of section Update in place, replacing the file once with all four. Returns
// true when the file was written whole; when not, an existing file is as it
// was.
bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create);

// The complete content that write_update_descriptor would give the file now,
// without writing it; none when the existing file cannot be edited.
std::optional<std::string> update_descriptor_content(const UpdateDescriptor& descriptor, bool create);

// The values a content of the file holds, as the client reads them: the
// local file's or the one a web server serves. A key it lacks gives "" and
// is named in `missing`.
UpdateDescriptor read_update_descriptor(std::string_view content, std::vector<std::string>* missing = nullptr);

}  // namespace files
