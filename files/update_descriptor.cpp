#include "files/update_descriptor.h"

#include "runtime/files/profile.h"
#include "runtime/text/strings.h"
#include "runtime/files/text_file.h"

namespace files {
namespace {

using runtime::string_trim;

// The four keys of section Update, in the order they are written.
struct Key {
  const char* name;
  std::string UpdateDescriptor::*field;
};

const Key keys[] = {
    {"Version", &UpdateDescriptor::Version},
    {"Date", &UpdateDescriptor::Date},
    {"URL", &UpdateDescriptor::URL},
    {"Note", &UpdateDescriptor::Note},
};

// The created file's five lines.
template <typename Emit>
void for_each_created_line(const UpdateDescriptor& descriptor, Emit emit) {
  emit("[Update]");
  for (const Key& key : keys) emit(std::string(key.name) + "=" + string_trim(descriptor.*key.field));
}

bool create_file(const UpdateDescriptor& descriptor) {
  // The lines go to a staging file that takes the name only once it is
  // whole, so a crash never leaves a half-written file behind.
  const std::string staged = runtime::text_file_staging_name(update_descriptor_file);
  const int li_filenum =
      runtime::text_file_open(staged, runtime::FileMode::line_mode,
                              runtime::FileAccess::write, runtime::FileLock::lock_write,
                              runtime::WriteMode::append);
  bool whole = li_filenum != runtime::failed_file;
  for_each_created_line(descriptor, [&](const std::string& line) {
    whole = runtime::text_file_write_line(li_filenum, line) >= 0 && whole;
  });
  whole = runtime::text_file_close(li_filenum) == 1 && whole;
  return whole && runtime::text_file_publish(staged, update_descriptor_file);
}

runtime::ProfileEdits update_edits(const UpdateDescriptor& descriptor) {
  return [&descriptor](runtime::ProfileText& file) {
    for (const Key& key : keys) file.write("Update", key.name, string_trim(descriptor.*key.field));
  };
}

}  // namespace

bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create) {
  return create ? create_file(descriptor)
                : runtime::profile_update(update_descriptor_file, update_edits(descriptor));
}

std::optional<std::string> update_descriptor_content(const UpdateDescriptor& descriptor, bool create) {
  if (!create) return runtime::profile_preview(update_descriptor_file, update_edits(descriptor));
  std::string content;
  for_each_created_line(descriptor, [&content](const std::string& line) { content += line + "\r\n"; });
  return content;
}

}  // namespace files
