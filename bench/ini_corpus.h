#pragma once
// Realistic profile (INI) files of a chosen size for the benchmarks: many
// sections of keys with GBK comments, CR LF line ends, and the key that the
// benchmarks read and edit in the last section, near the end of the file.
#include <cstddef>
#include <filesystem>
#include <string>

namespace bench {

// The section and key the benchmarks look up; the section is the file's last.
inline constexpr char target_section[] = "Update";
inline constexpr char target_key[] = "Version";
// Two values of equal length, so that alternating edits keep the size fixed.
inline constexpr char target_value_a[] = "3.1.4159";
inline constexpr char target_value_b[] = "2.7.1828";

// GBK bytes of an INI file of about `size` bytes (never less), ending with
// the target section whose key holds target_value_a.
std::string ini_content(std::size_t size);

// The sizes the profile benchmarks run at: 1 KB to 10 MB.
inline constexpr std::size_t corpus_sizes[] = {1u << 10, 10u << 10, 100u << 10, 1u << 20, 10u << 20};

// Writes the content to `file` byte for byte.
void write_file(const std::filesystem::path& file, const std::string& content);

// A fresh empty directory under the system's temporary directory, made the
// working directory while it lives; the old one comes back at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

}  // namespace bench
