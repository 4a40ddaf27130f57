#pragma once
// Update.txt: the descriptor of the newest release, uploaded to the web server.
#include <string>

namespace files {

inline constexpr char update_descriptor_file[] = "Update.txt";

// The edits' texts as typed; the writer trims each value (spaces only).
struct UpdateDescriptor {
  std::string Version;
  std::string Date;
  std::string URL;
  std::string Note;
};

// Create mode writes the whole 5-line file; update mode rewrites the four keys
// of section Update in place. Returns true when the file was written whole.
bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create);

}  // namespace files
