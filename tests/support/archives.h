#pragma once
// Archives made by the tests: zip through libarchive's writer, with each
// entry's name bytes as given and the UTF-8 flag set where asked; RAR 5 with
// stored entries, built byte by byte (no free tool writes RAR).
#include <string>
#include <vector>

namespace test_support {

struct ZipEntry {
  enum Kind { file, folder, symlink };
  std::string name;  // bytes as stored
  std::string data;  // a symlink's target
  bool utf8_flag = false;
  Kind kind = file;
  bool deflated = false;
};
// `encrypted`: every entry with traditional PKWARE encryption.
std::string zip_archive(const std::vector<ZipEntry>& entries, bool encrypted = false);

struct RarEntry {
  std::string name;  // UTF-8
  std::string data;
  bool folder = false;
  std::string hard_link_to = {};  // not empty: a hard link to this entry
};
// `volume`: marked as one volume of a multi-volume set.
std::string rar5_archive(const std::vector<RarEntry>& entries, bool volume = false);

}  // namespace test_support
