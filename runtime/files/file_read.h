#pragma once
// Reading a file's bytes: whole, or piece by piece so that memory stays the
// same whatever its size. Only a regular file is read: a directory, a FIFO or
// a device is refused at once, never waited on.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace runtime {

// The whole file into `content`; false, with `error` in words (UTF-8), when
// it cannot be read.
bool read_file(const std::filesystem::path& file, std::string& content, std::string* error = nullptr);

// The file's bytes handed to `piece` one block at a time.
bool read_file_pieces(const std::filesystem::path& file, const std::function<void(std::string_view)>& piece,
                      std::string* error = nullptr);

// The path a UTF-8 name stands for (a name from the command line).
std::filesystem::path path_from_utf8(std::string_view name);

namespace file_read {

// Reads a whole file straight into `content` with `read_some` (bytes read,
// 0 at the end, -1 on an error); `size` is what the file should hold, and
// one byte more is asked for so that the end shows at once.
template <typename ReadSome>
bool read_whole(std::size_t size, std::string& content, ReadSome read_some) {
  content.resize(size + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == content.size()) content.resize(content.size() * 2);
    const long long got = read_some(content.data() + used, content.size() - used);
    if (got < 0) return false;
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  content.resize(used);
  return true;
}

// A regular file open for reading: one implementation per system.
class Source {
 public:
  Source() = default;
  ~Source();
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  // False, with `error` set, for a file that cannot be opened or is no regular file.
  bool open(const std::filesystem::path& file, std::string* error);
  std::size_t size() const;
  // Bytes read into `into`, 0 at the end, -1 on an error.
  long long read_some(char* into, std::size_t room);
  // The system's words for the last failure.
  static std::string error_text();

 private:
  std::intptr_t handle_ = -1;
  std::size_t size_ = 0;
};

}  // namespace file_read

}  // namespace runtime
