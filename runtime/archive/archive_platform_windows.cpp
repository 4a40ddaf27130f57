#include <archive.h>
#include <archive_entry.h>

#include "runtime/archive/archive_platform.h"
#include "runtime/text/wide_text.h"

namespace runtime::archive_platform {

int open_file(struct archive* reader, const std::string& path_utf8) {
  return archive_read_open_filename_w(reader, wide_text(path_utf8).c_str(), 1 << 16);
}

// A zip name converted by libarchive is kept wide; a RAR 5 name stays UTF-8
// as read (each form is given without the C locale only where it is kept).
std::optional<std::string> entry_name(struct archive_entry* entry) {
  if (const wchar_t* wide = archive_entry_pathname_w(entry)) return narrow_text(wide);
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return utf8;
  return std::nullopt;
}

// libarchive keeps the names it converts as wide texts here, whatever the
// C library's locale, and gives them as UTF-8 on request.
Utf8Names::Utf8Names() = default;
Utf8Names::~Utf8Names() = default;

}  // namespace runtime::archive_platform
