#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/files/file_read.h"

namespace runtime {
namespace {

struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool fail(std::string* error, std::string why) {
  if (error) *error = std::move(why);
  return false;
}

// Opens a regular file for reading; O_NONBLOCK keeps a FIFO from hanging the open.
bool open_regular(const std::filesystem::path& file, Descriptor& in, struct stat& info, std::string* error) {
  in.fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (in.fd < 0) return fail(error, std::strerror(errno));
  if (::fstat(in.fd, &info) != 0) return fail(error, std::strerror(errno));
  if (S_ISDIR(info.st_mode)) return fail(error, "it is a directory");
  if (!S_ISREG(info.st_mode)) return fail(error, "it is not a regular file");
  return true;
}

// Reads into `into`; the bytes read, 0 at the end, -1 on an error.
long long read_some(int fd, char* into, std::size_t room) {
  ssize_t got;
  while ((got = ::read(fd, into, room)) < 0 && errno == EINTR) {}
  return got;
}

}  // namespace

bool read_file(const std::filesystem::path& file, std::string& content, std::string* error) {
  Descriptor in;
  struct stat info {};
  if (!open_regular(file, in, info, error)) return false;
  const auto read = [&in](char* into, std::size_t room) { return read_some(in.fd, into, room); };
  return file_read::read_whole(static_cast<std::size_t>(info.st_size), content, read) ||
         fail(error, std::strerror(errno));
}

bool read_file_pieces(const std::filesystem::path& file, const std::function<void(std::string_view)>& piece,
                      std::string* error) {
  Descriptor in;
  struct stat info {};
  if (!open_regular(file, in, info, error)) return false;
  std::string buffer(file_read::block_size, '\0');
  for (;;) {
    const long long got = read_some(in.fd, buffer.data(), buffer.size());
    if (got < 0) return fail(error, std::strerror(errno));
    if (got == 0) return true;
    piece(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
}

std::filesystem::path path_from_utf8(std::string_view name) { return std::filesystem::path(std::string(name)); }

}  // namespace runtime

#endif
