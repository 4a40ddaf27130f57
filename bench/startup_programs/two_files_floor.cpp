// The floor kestrel-cli generate is measured against: the least a program
// must do to put two files of the same sizes in place as durably, with
// nothing else. Each file's new content goes to a temporary file beside it,
// which is flushed to the disk and renamed over it.
//   two_files_floor DIR SIZE_OF_UpdateConfig.ini SIZE_OF_Update.txt
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool replace(const char* name, std::size_t size) {
  const std::string content(size, 'x');
  const std::string temp = std::string(name) + ".floor";
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = ::write(fd, content.data(), size) == static_cast<ssize_t>(size) && ::fsync(fd) == 0;
  return ::close(fd) == 0 && written && ::rename(temp.c_str(), name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || ::chdir(argv[1]) != 0) {
    std::fprintf(stderr, "usage: two_files_floor DIR SIZE SIZE\n");
    return 2;
  }
  return replace("UpdateConfig.ini", std::strtoul(argv[2], nullptr, 10)) &&
                 replace("Update.txt", std::strtoul(argv[3], nullptr, 10))
             ? 0
             : 1;
}
