#include <archive.h>
#include <archive_entry.h>

#include "runtime/archive/archive_platform.h"
#include "runtime/text/wide_text.h"

namespace runtime::archive_platform {

int open_file(struct archive* reader, const std::string& path_utf8) {
  return archive_read_open_filename_w(reader, wide_text(path_utf8).c_str(), 1 << 16);
}

std::optional<std::string> entry_name(struct archive_entry* entry) {
  const wchar_t* name = archive_entry_pathname_w(entry);
  if (name == nullptr) return std::nullopt;
  return narrow_text(name);
}

// libarchive keeps the names it converts as wide texts here, whatever the
// C library's locale, and gives them as UTF-8 on request.
Utf8Names::Utf8Names() = default;
Utf8Names::~Utf8Names() = default;

}  // namespace runtime::archive_platform
