#include "release/prefill.h"

#include "runtime/files/file_read.h"
#include "runtime/files/file_system.h"
#include "runtime/text/gbk.h"

namespace release {
namespace {

LocalFile read_local_file(const char* name) {
  LocalFile file{name, std::string(), {}};
  if (!runtime::read_file(runtime::native_path(name), *file.content, &file.error)) file.content.reset();
  return file;
}

}  // namespace

std::string LocalRelease::problem() const {
  for (const LocalFile* file : {&config, &descriptor}) {
    if (!file->content) return std::string(file->name) + ": " + file->error;
  }
  return {};
}

LocalRelease read_local_release() {
  LocalRelease local{read_local_file(files::client_config_file), read_local_file(files::update_descriptor_file), {}};
  const files::ClientConfig config = files::read_client_config(local.config.content.value_or(""));
  const files::UpdateDescriptor descriptor = files::read_update_descriptor(local.descriptor.content.value_or(""));
  for (const Field& f : fields()) {
    std::string& text = local.values[f.id].text;
    if (!f.prefilled) text = runtime::gbk(f.preset);
    else if (f.config_value) text = config.*f.config_value;
    else text = descriptor.*f.descriptor_value;
  }
  return local;
}

Values prefill() { return read_local_release().values; }

}  // namespace release
