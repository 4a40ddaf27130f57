#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "runtime/files/profile_store.h"
#include "runtime/files/temporary_file.h"

namespace runtime::profile_store {

namespace {

namespace fs = std::filesystem;
using temporary::Placed;
using testing::ProfileWriteStep;

struct Handle {
  int fd = -1;
  ~Handle() {
    if (fd >= 0) ::close(fd);
  }
};

bool read_all(int fd, const struct stat& info, std::string& content) {
  return read_whole(static_cast<std::size_t>(info.st_size), content, [fd](char* into, std::size_t room) {
    ssize_t got;
    while ((got = ::read(fd, into, room)) < 0 && errno == EINTR) {}
    return static_cast<long long>(got);
  });
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t done = ::write(fd, data.data(), data.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// Opens a regular file for reading; O_NONBLOCK keeps a FIFO from hanging us.
int open_regular(const fs::path& file, struct stat& info) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Writable for us, and not marked read-only: a file or directory with every
// write bit cleared is left alone even by the superuser, whom access()
// would let through, as Windows leaves a file with the read-only attribute.
bool permits_writing(const fs::path& name, const struct stat& info) {
  return ::access(name.c_str(), W_OK) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

bool lock_exclusive(int fd, Clock::time_point deadline) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if ((errno != EWOULDBLOCK && errno != EINTR) || Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(lock_poll);
  }
}

// Writes the content to a new temporary beside the target, with the old
// file's owner (where we may) and permission bits, and gives it the
// target's name: over the old file, or for a missing file (`old` null) only
// while no file has that name. The temporary is held from its creation
// until then. It is flushed before it takes the name, so after a crash the
// name holds the old content or the new, whole. The directory is not
// flushed: losing the rename itself to a power cut leaves the old file,
// which is whole too, and saves a second disk flush on every key written.
Placed install(const fs::path& target, std::string_view content, const struct stat* old) {
  fs::path temp;
  Handle out{temporary::create_held(target, temp)};
  if (out.fd < 0) return Placed::failed;
  bool ok = true;
  if (old != nullptr) {
    // Only the superuser may give a file away; otherwise the new file stays ours.
    if (::fchown(out.fd, old->st_uid, old->st_gid) != 0) {}
    ok = ::fchmod(out.fd, old->st_mode & 07777) == 0;
  }
  ok = ok && write_content(content, [&out](std::string_view data) { return write_all(out.fd, data); });
  ok = ok && !injected_failure(ProfileWriteStep::fsync) && ::fsync(out.fd) == 0;
  ok = ok && !injected_failure(ProfileWriteStep::rename);
  Placed placed = Placed::failed;
  if (ok && old == nullptr) placed = temporary::place_new(temp, target);
  // An edit renames over the old file; so does a creation where the file
  // system can make no file without replacing.
  if (ok && (old != nullptr || placed == Placed::unsupported)) {
    placed = ::rename(temp.c_str(), target.c_str()) == 0 ? Placed::placed : Placed::failed;
  }
  if (placed != Placed::placed) ::unlink(temp.c_str());
  return placed;
}

}  // namespace

bool read_file(const fs::path& file, std::string& content) {
  struct stat info {};
  Handle in{open_regular(file, info)};
  return in.fd >= 0 && read_all(in.fd, info, content);
}

bool write_file(const fs::path& target, const Planner& plan) {
  const fs::path directory = temporary::directory_of(target);
  const auto deadline = Clock::now() + lock_wait;
  for (;;) {
    struct stat dir_info {};
    if (::stat(directory.c_str(), &dir_info) != 0 || !S_ISDIR(dir_info.st_mode) ||
        !permits_writing(directory, dir_info)) {
      return false;
    }
    std::string planned;
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
      if (errno != ENOENT) return false;
      temporary::remove_stale(target);
      if (!plan({}, planned)) return false;
      const Placed placed = install(target, planned, nullptr);
      if (placed != Placed::name_taken) return placed == Placed::placed;
      if (Clock::now() >= deadline) return false;
      continue;  // a file of that name appeared meanwhile: this becomes an edit of it
    }
    if (!S_ISREG(info.st_mode) || !permits_writing(target, info)) return false;
    struct stat held {};
    Handle original{open_regular(target, held)};
    if (original.fd < 0 || !lock_exclusive(original.fd, deadline)) return false;
    struct stat current {};
    if (::stat(target.c_str(), &current) != 0 || current.st_dev != held.st_dev ||
        current.st_ino != held.st_ino) {
      if (Clock::now() >= deadline) return false;
      continue;  // another writer put a new file in place while we waited
    }
    temporary::remove_stale(target);
    std::string content;
    if (!read_all(original.fd, held, content)) return false;
    return plan(content, planned) && install(target, planned, &held) == Placed::placed;
  }
}

}  // namespace runtime::profile_store

#endif
