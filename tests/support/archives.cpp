#include "support/archives.h"

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace test_support {
namespace {

void check(int status, struct archive* writer) {
  if (status < ARCHIVE_WARN) throw std::runtime_error(archive_error_string(writer));
}

std::uint16_t le16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8);
}
std::uint32_t le32(const std::string& bytes, std::size_t at) { return le16(bytes, at) | std::uint32_t{le16(bytes, at + 2)} << 16; }

// Sets the UTF-8 flag (bit 11) of the named entries, in the central
// directory and in their local headers.
void set_utf8_flags(std::string& zip, const std::vector<ZipEntry>& entries) {
  const std::size_t end = zip.size() - 22;  // the end record, without a comment
  std::size_t at = le32(zip, end + 16);
  for (std::uint16_t i = 0, count = le16(zip, end + 10); i < count; ++i) {
    if (entries[i].utf8_flag) {
      zip[at + 9] = static_cast<char>(zip[at + 9] | 0x08);
      zip[le32(zip, at + 42) + 7] = static_cast<char>(zip[le32(zip, at + 42) + 7] | 0x08);
    }
    at += 46 + le16(zip, at + 28) + le16(zip, at + 30) + le16(zip, at + 32);
  }
}

std::string vint(std::uint64_t value) {
  std::string bytes;
  do {
    bytes.push_back(static_cast<char>((value & 0x7F) | (value > 0x7F ? 0x80 : 0)));
    value >>= 7;
  } while (value > 0);
  return bytes;
}

std::string u32(std::uint32_t value) {
  return {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
          static_cast<char>(value >> 24)};
}

std::uint32_t crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// CRC32 | header size | body; the CRC over the size and the body.
std::string rar_header(const std::string& body) {
  const std::string sized = vint(body.size()) + body;
  return u32(crc(sized)) + sized;
}

}  // namespace

std::string zip_archive(const std::vector<ZipEntry>& entries, bool encrypted) {
  std::string zip;
  const std::unique_ptr<struct archive, decltype(&archive_write_free)> owner(archive_write_new(), archive_write_free);
  struct archive* writer = owner.get();
  check(archive_write_set_format_zip(writer), writer);
  if (encrypted) {
    check(archive_write_set_format_option(writer, "zip", "encryption", "zipcrypt"), writer);
    check(archive_write_set_passphrase(writer, "secret"), writer);
  }
  check(archive_write_set_bytes_in_last_block(writer, 1), writer);
  check(archive_write_open(writer, &zip, nullptr,
                           [](struct archive*, void* out, const void* buffer, size_t length) -> la_ssize_t {
                             static_cast<std::string*>(out)->append(static_cast<const char*>(buffer), length);
                             return static_cast<la_ssize_t>(length);
                           },
                           nullptr),
        writer);
  for (const ZipEntry& entry : entries) {
    check(entry.deflated ? archive_write_zip_set_compression_deflate(writer) : archive_write_zip_set_compression_store(writer),
          writer);
    const std::unique_ptr<struct archive_entry, decltype(&archive_entry_free)> header(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname(header.get(), entry.name.c_str());
    archive_entry_set_mtime(header.get(), 1700000000, 0);
    if (entry.kind == ZipEntry::folder) {
      archive_entry_set_filetype(header.get(), AE_IFDIR);
      archive_entry_set_perm(header.get(), 0755);
    } else if (entry.kind == ZipEntry::symlink) {
      archive_entry_set_filetype(header.get(), AE_IFLNK);
      archive_entry_set_perm(header.get(), 0777);
      archive_entry_set_symlink(header.get(), entry.data.c_str());
    } else {
      archive_entry_set_filetype(header.get(), AE_IFREG);
      archive_entry_set_perm(header.get(), 0644);
      archive_entry_set_size(header.get(), static_cast<la_int64_t>(entry.data.size()));
    }
    check(archive_write_header(writer, header.get()), writer);
    if (entry.kind == ZipEntry::file && !entry.data.empty())
      check(static_cast<int>(archive_write_data(writer, entry.data.data(), entry.data.size()) < 0 ? ARCHIVE_FATAL : ARCHIVE_OK), writer);
  }
  check(archive_write_close(writer), writer);
  set_utf8_flags(zip, entries);
  return zip;
}

std::string rar5_archive(const std::vector<RarEntry>& entries, bool volume) {
  std::string rar("Rar!\x1a\x07\x01\x00", 8);
  rar += rar_header(vint(1) + vint(0) + vint(volume ? 0x0001 : 0));
  for (const RarEntry& entry : entries) {
    std::string extra;
    if (!entry.hard_link_to.empty()) {
      // A redirection record: type 5; hard link (4), no flags, the target.
      const std::string record = vint(5) + vint(4) + vint(0) + vint(entry.hard_link_to.size()) + entry.hard_link_to;
      extra = vint(record.size()) + record;
    }
    const std::string data = entry.folder ? std::string() : entry.data;
    std::string body = vint(2) + vint(0x0002 | (extra.empty() ? 0 : 0x0001));
    if (!extra.empty()) body += vint(extra.size());
    body += vint(data.size());
    body += vint(entry.folder ? 0x0001 : 0x0004) + vint(data.size()) + vint(entry.folder ? 0x10 : 0x20);
    if (!entry.folder) body += u32(crc(data));
    body += vint(0) + vint(0) + vint(entry.name.size()) + entry.name + extra;
    rar += rar_header(body) + data;
  }
  rar += rar_header(vint(5) + vint(0) + vint(0));
  return rar;
}

}  // namespace test_support
