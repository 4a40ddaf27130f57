#pragma once
// What libarchive needs done differently on each system (one backend file
// per system): opening a file by its UTF-8 name, and getting names as UTF-8.
#include <optional>
#include <string>

struct archive;
struct archive_entry;

namespace runtime::archive_platform {

// archive_read_open_filename for a UTF-8 path; libarchive's status.
int open_file(struct archive* reader, const std::string& path_utf8);

// The entry's name as libarchive converted it, in UTF-8; none when it could
// not convert it. libarchive 3.6 on Windows converts between its wide and
// UTF-8 forms through the C library's locale, so there each is taken where
// libarchive keeps it.
std::optional<std::string> entry_name(struct archive_entry* entry);

// While one lives, libarchive on this thread gives UTF-8 for the names it
// converts: on POSIX it converts them to the locale's character set, which
// must then not be the C locale's ASCII; on Windows it keeps them wide.
class Utf8Names {
 public:
  Utf8Names();
  ~Utf8Names();
  Utf8Names(const Utf8Names&) = delete;
  Utf8Names& operator=(const Utf8Names&) = delete;

 private:
  void* previous_ = nullptr;
};

}  // namespace runtime::archive_platform
