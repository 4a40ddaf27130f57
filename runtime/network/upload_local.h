#pragma once
// What the uploaders share: the local file they send, read piece by piece
// so that memory stays the same whatever its size, and WebDAV's listing.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace runtime {

// The path a UTF-8 file name stands for (on Windows through the wide calls).
std::filesystem::path utf8_path(const std::string& name);

class LocalFile {
 public:
  // Opens the file; ok() tells whether it could be, error() why not.
  explicit LocalFile(const std::string& name);
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  std::uint64_t size() const { return size_; }
  // Up to `room` bytes into `buffer`; 0 at the end or on a failure (then
  // error() says so).
  std::size_t read(char* buffer, std::size_t room);
  // Back to the first byte, for a request that must be sent again.
  bool rewind();

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
  std::string error_;
};

// The file names in a WebDAV folder's PROPFIND answer: the last part of
// each <href> that is no folder, decoded.
std::vector<std::string> dav_listing(const std::string& xml);

}  // namespace runtime
