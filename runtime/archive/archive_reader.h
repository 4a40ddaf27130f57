#pragma once
// Reading a zip or RAR archive whole, as an extractor does, through
// libarchive: every entry listed and its data read to the end in blocks (so
// memory stays the same whatever the archive's size), with the archive's own
// checksums checked. What was read is handed back as plain data; what it
// means for a package is judged elsewhere.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

enum class ArchiveFormat { none, zip, rar };
enum class ArchiveEntryKind { file, folder, symlink, hardlink };

struct ArchiveEntry {
  // The name's bytes as stored: a zip name without the UTF-8 flag as it
  // is, a name the archive marks as Unicode (zip's flag, every RAR 5 name)
  // in UTF-8. Folders end in "/".
  std::string name;
  bool unicode = false;
  bool name_readable = true;  // false: marked as Unicode, but no UTF-8 (`name` then holds what could be read)
  std::uint64_t size = 0;     // unpacked bytes: read, or as declared where the data was not read
  ArchiveEntryKind kind = ArchiveEntryKind::file;
  bool encrypted = false;
};

struct ArchiveReading {
  bool opened = false;  // false: the file could not be opened or read at all
  ArchiveFormat format = ArchiveFormat::none;
  std::vector<ArchiveEntry> entries;
  bool complete = false;  // every entry listed, its data read to its end
  bool volume = false;    // marked as one volume of a multi-volume set
  std::string problem;    // why not opened, or why reading stopped (libarchive's words)
  // The entry whose header or data failed, when reading stopped at one.
  std::optional<std::size_t> failed_entry;
};

struct ArchiveVisitor {
  // Whether an entry's data should go to `data` as it is read.
  std::function<bool(const ArchiveEntry&)> wants_data;
  std::function<void(std::size_t entry, std::string_view block)> data;
  // Bytes of the file read so far, and its size.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

// Reads the archive at `path_utf8`; any bytes give an answer.
ArchiveReading read_archive(const std::string& path_utf8, const ArchiveVisitor& visitor = {});

}  // namespace runtime
