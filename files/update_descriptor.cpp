#include "files/update_descriptor.h"

#include "files/file_modes.h"
#include "runtime/text/strings.h"

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
CreatedLines created_lines(const UpdateDescriptor& descriptor) {
  return [&descriptor](const LineEmitter& emit) {
    emit("[Update]");
    for (const Key& key : keys) emit(std::string(key.name) + "=" + string_trim(descriptor.*key.field));
  };
}

runtime::ProfileEdits update_edits(const UpdateDescriptor& descriptor) {
  return [&descriptor](runtime::ProfileText& file) {
    for (const Key& key : keys) file.write("Update", key.name, string_trim(descriptor.*key.field));
  };
}

}  // namespace

bool write_update_descriptor(const UpdateDescriptor& descriptor, bool create) {
  return write_file(update_descriptor_file, create, created_lines(descriptor), update_edits(descriptor));
}

std::optional<std::string> update_descriptor_content(const UpdateDescriptor& descriptor, bool create) {
  return file_content(update_descriptor_file, create, created_lines(descriptor), update_edits(descriptor));
}

}  // namespace files
