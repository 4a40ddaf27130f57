#include <archive.h>
#include <archive_entry.h>
#include <locale.h>

#include "runtime/archive/archive_platform.h"

namespace runtime::archive_platform {

int open_file(struct archive* reader, const std::string& path_utf8) {
  return archive_read_open_filename(reader, path_utf8.c_str(), 1 << 16);
}

std::optional<std::string> entry_name(struct archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  if (name == nullptr) return std::nullopt;
  return name;
}

// A locale of this thread only, so that nothing else of the process sees it.
Utf8Names::Utf8Names() {
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 != static_cast<locale_t>(nullptr)) previous_ = uselocale(utf8);
}

Utf8Names::~Utf8Names() {
  if (previous_ != nullptr) uselocale(static_cast<locale_t>(previous_));
}

}  // namespace runtime::archive_platform
