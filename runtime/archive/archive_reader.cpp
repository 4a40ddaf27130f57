#include "runtime/archive/archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "runtime/archive/archive_platform.h"

namespace runtime {
namespace {

using Reader = std::unique_ptr<struct archive, decltype(&archive_read_free)>;

// libarchive 3.6 tells no zip entry's UTF-8 flag, and converts every name
// to a character set: a flagged one from UTF-8, the others from the
// character set given as "hdrcharset". Read once with ISO-8859-1, a name
// without the flag comes back as one character per byte (U+0080 to U+00FF
// for the bytes above 0x7F), so its bytes are known again; a name with a
// character beyond U+00FF was flagged. Whether one of only such characters
// was flagged, a second reading of the names with CP437, whose upper half
// gives each byte another character than ISO-8859-1 does, tells: a flagged
// name reads the same both times, another does not.
constexpr const char* bytes_charset = "ISO-8859-1";
constexpr const char* other_charset = "CP437";

Reader new_reader(const char* charset) {
  Reader reader(archive_read_new(), archive_read_free);
  archive_read_support_format_zip(reader.get());
  archive_read_support_format_rar(reader.get());
  archive_read_support_format_rar5(reader.get());
  archive_read_set_format_option(reader.get(), "zip", "hdrcharset", charset);
  archive_read_set_format_option(reader.get(), "rar", "hdrcharset", charset);
  return reader;
}

std::string error_text(struct archive* reader) {
  const char* text = archive_error_string(reader);
  return text != nullptr ? text : "the archive cannot be read";
}

// True when the UTF-8 text has a character beyond U+00FF (a lead byte of
// 0xC4 or above; those of U+0080 to U+00FF are 0xC2 and 0xC3).
bool beyond_latin1(std::string_view utf8) {
  for (const char c : utf8)
    if (static_cast<unsigned char>(c) >= 0xC4) return true;
  return false;
}

bool is_ascii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The bytes of a text of characters up to U+00FF, one byte each.
std::string latin1_bytes(std::string_view utf8) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      bytes.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
    } else {
      bytes.push_back(static_cast<char>(c));
    }
  }
  return bytes;
}

ArchiveFormat format_of(struct archive* reader) {
  switch (archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) {
    case ARCHIVE_FORMAT_ZIP: return ArchiveFormat::zip;
    case ARCHIVE_FORMAT_RAR:
    case ARCHIVE_FORMAT_RAR_V5: return ArchiveFormat::rar;
    default: return ArchiveFormat::none;
  }
}

// RAR 5 stores every name in UTF-8.
bool is_rar5(struct archive* reader) {
  return (archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_RAR_V5;
}

ArchiveEntryKind kind_of(struct archive_entry* entry) {
  if (archive_entry_hardlink(entry) != nullptr) return ArchiveEntryKind::hardlink;
  switch (archive_entry_filetype(entry)) {
    case AE_IFDIR: return ArchiveEntryKind::folder;
    case AE_IFLNK: return ArchiveEntryKind::symlink;
    default: return ArchiveEntryKind::file;
  }
}

// The names as read with `charset`, in order, as far as they list.
std::vector<std::string> names_read_as(const std::string& path, const char* charset) {
  std::vector<std::string> names;
  const Reader reader = new_reader(charset);
  if (archive_platform::open_file(reader.get(), path) != ARCHIVE_OK) return names;
  struct archive_entry* entry = nullptr;
  while (archive_read_next_header(reader.get(), &entry) >= ARCHIVE_WARN) {
    names.push_back(archive_platform::entry_name(entry).value_or(""));
  }
  return names;
}

// Reads one entry's data to its end; false (and the problem set) when it fails.
bool read_data(struct archive* reader, std::size_t index, ArchiveEntry& entry, const ArchiveVisitor& visitor,
               std::uint64_t total, ArchiveReading& reading) {
  const bool wanted = visitor.wants_data && visitor.data && visitor.wants_data(entry);
  std::uint64_t size = 0;
  for (;;) {
    const void* block = nullptr;
    std::size_t length = 0;
    la_int64_t offset = 0;
    const int status = archive_read_data_block(reader, &block, &length, &offset);
    if (status == ARCHIVE_EOF) break;
    if (status != ARCHIVE_OK) {
      reading.problem = error_text(reader);
      reading.failed_entry = index;
      return false;
    }
    if (wanted) visitor.data(index, std::string_view(static_cast<const char*>(block), length));
    size = std::max<std::uint64_t>(size, static_cast<std::uint64_t>(offset) + length);
    if (visitor.progress) visitor.progress(static_cast<std::uint64_t>(archive_filter_bytes(reader, -1)), total);
  }
  entry.size = size;
  return true;
}

// An unsigned number of RAR 5 in 7-bit groups; 0 past the end.
std::uint64_t vint(std::string_view bytes, std::size_t& at) {
  std::uint64_t value = 0;
  for (int shift = 0; at < bytes.size() && shift < 64; shift += 7) {
    const auto byte = static_cast<unsigned char>(bytes[at++]);
    value |= std::uint64_t{byte & 0x7Fu} << shift;
    if ((byte & 0x80) == 0) break;
  }
  return value;
}

// Whether the archive's first header marks it as one volume of a
// multi-volume set, which libarchive reads without a word: RAR 4's main
// header flag 0x0001, RAR 5's archive flag 0x0001, zip's spanning marker.
bool marked_as_volume(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.starts_with("PK\x07\x08")) return true;
  if (head.starts_with(std::string_view("Rar!\x1a\x07\x00", 7)))
    return head.size() > 10 && head[9] == 0x73 && (head[10] & 0x01) != 0;
  if (!head.starts_with(std::string_view("Rar!\x1a\x07\x01\x00", 8))) return false;
  std::size_t at = 12;  // after the header's CRC32
  vint(head, at);       // header size
  if (vint(head, at) != 1) return false;  // not the main archive header
  const std::uint64_t flags = vint(head, at);
  if (flags & 0x0001) vint(head, at);  // extra area size
  if (flags & 0x0002) vint(head, at);  // data size
  return (vint(head, at) & 0x0001) != 0;
}

// Why the file cannot be read at all, or "".
std::string unreadable(const std::filesystem::path& path, std::uint64_t& size) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error) return error.message();
  if (std::filesystem::is_directory(status)) return "a folder, not a file";
  size = std::filesystem::file_size(path, error);
  return error ? error.message() : "";
}

}  // namespace

ArchiveReading read_archive(const std::string& path_utf8, const ArchiveVisitor& visitor) {
  ArchiveReading reading;
  const archive_platform::Utf8Names utf8_names;
  std::uint64_t total = 0;
  const std::u8string path8(reinterpret_cast<const char8_t*>(path_utf8.data()), path_utf8.size());
  if (reading.problem = unreadable(std::filesystem::path(path8), total); !reading.problem.empty()) return reading;

  const Reader reader = new_reader(bytes_charset);
  // Opening already bids for the format: bytes of no archive fail here.
  const int opened = archive_platform::open_file(reader.get(), path_utf8);
  const int error = archive_errno(reader.get());
  reading.volume = marked_as_volume(std::filesystem::path(path8));
  reading.opened = opened == ARCHIVE_OK || error == EILSEQ || error <= 0;  // libarchive says EILSEQ of a format
  if (opened != ARCHIVE_OK) {
    reading.problem = reading.opened ? error_text(reader.get()) : std::strerror(error);
    return reading;
  }
  std::vector<std::size_t> undecided;  // names of characters up to U+00FF only, some above U+007F
  for (;;) {
    struct archive_entry* header = nullptr;
    const int status = archive_read_next_header(reader.get(), &header);
    if (reading.format == ArchiveFormat::none) reading.format = format_of(reader.get());
    if (status == ARCHIVE_EOF) {
      reading.complete = true;
      break;
    }
    if (status < ARCHIVE_WARN) {
      reading.problem = error_text(reader.get());
      break;
    }
    ArchiveEntry entry;
    const std::optional<std::string> name = archive_platform::entry_name(header);
    entry.name_readable = name.has_value();
    entry.name = name.value_or("");
    entry.unicode = is_rar5(reader.get()) || !entry.name_readable || beyond_latin1(entry.name);
    if (!entry.unicode && !is_ascii(entry.name)) undecided.push_back(reading.entries.size());
    entry.kind = kind_of(header);
    entry.encrypted = archive_entry_is_encrypted(header) != 0;
    entry.size = archive_entry_size_is_set(header) ? static_cast<std::uint64_t>(archive_entry_size(header)) : 0;
    reading.entries.push_back(entry);
    ArchiveEntry& listed = reading.entries.back();
    const bool has_data = listed.kind == ArchiveEntryKind::file && !listed.encrypted;
    if (has_data && !read_data(reader.get(), reading.entries.size() - 1, listed, visitor, total, reading)) break;
  }

  if (!undecided.empty()) {
    const std::vector<std::string> other_names = names_read_as(path_utf8, other_charset);
    for (const std::size_t i : undecided) {
      ArchiveEntry& entry = reading.entries[i];
      entry.unicode = i < other_names.size() && other_names[i] == entry.name;
      if (!entry.unicode) entry.name = latin1_bytes(entry.name);
    }
  }
  return reading;
}

}  // namespace runtime
