#include "files/update_descriptor.h"

#include "runtime/profile.h"
#include "runtime/strings.h"
#include "runtime/text_file.h"

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

bool create_file(const UpdateDescriptor& descriptor) {
  // The lines go to a staging file that takes the name only once it is
  // whole, so a crash never leaves a half-written file behind.
  const std::string staged = runtime::text_file_staging_name(update_descriptor_file);
  const int li_filenum =
      runtime::text_file_open(staged, runtime::FileMode::line_mode,
                              runtime::FileAccess::write, runtime::FileLock::lock_write,
                              runtime::WriteMode::append);
  bool whole = li_filenum != runtime::failed_file;
  whole = runtime::text_file_write_line(li_filenum, "[Update]") >= 0 && whole;
  for (const Key& key : keys) {
    const std::string line = std::string(key.name) + "=" + string_trim(descriptor.*key.field);
    whole = runtime::text_file_write_line(li_filenum, line) >= 0 && whole;
  }
  whole = runtime::text_file_close(li_filenum) == 1 && whole;
  return whole && runtime::text_file_publish(staged, update_descriptor_file);
}

bool update_file(const UpdateDescriptor& descriptor) {
  bool whole = true;
  for (const Key& key : keys) {
    whole = runtime::profile_write(update_descriptor_file, "Update", key.name,
                                   string_trim(descriptor.*key.field)) &&
            whole;
  }
  return whole;
}

}  // namespace

bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create) {
  return create ? create_file(descriptor) : update_file(descriptor);
}

}  // namespace files
