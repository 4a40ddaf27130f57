#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/files/file_read.h"

namespace runtime {
namespace file_read {

Source::~Source() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

// O_NONBLOCK keeps a FIFO from hanging the open.
bool Source::open(const std::filesystem::path& file, std::string* error) {
  const auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  handle_ = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat info {};
  if (handle_ < 0 || ::fstat(static_cast<int>(handle_), &info) != 0) return fail(error_text());
  if (S_ISDIR(info.st_mode)) return fail("it is a directory");
  if (!S_ISREG(info.st_mode)) return fail("it is not a regular file");
  size_ = static_cast<std::size_t>(info.st_size);
  return true;
}

std::size_t Source::size() const { return size_; }

long long Source::read_some(char* into, std::size_t room) {
  ssize_t got;
  while ((got = ::read(static_cast<int>(handle_), into, room)) < 0 && errno == EINTR) {}
  return got;
}

std::string Source::error_text() { return std::strerror(errno); }

}  // namespace file_read

std::filesystem::path path_from_utf8(std::string_view name) { return std::filesystem::path(std::string(name)); }

}  // namespace runtime

#endif
