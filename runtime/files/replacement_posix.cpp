#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "runtime/files/file_read.h"
#include "runtime/files/file_system.h"
#include "runtime/files/replacement.h"

namespace runtime {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using temporary::Placed;
using testing::ReplacementStep;

struct Replacement::State {
  fs::path target;
  Mode mode;
  bool exists = false;
  int locked = -1;  // the target, open and flocked (edit mode)
  struct stat target_info {};
  fs::path temporary;
  int out = -1;
  bool flushed = false;
  bool placed = false;
};

namespace {

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

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

Replacement::Replacement(fs::path target, Mode mode) : state_(std::make_unique<State>()) {
  state_->target = std::move(target);
  state_->mode = mode;
}

Replacement::~Replacement() {
  State& s = *state_;
  if (s.out >= 0) {
    if (!s.placed) ::unlink(s.temporary.c_str());
    ::close(s.out);
  }
  if (s.locked >= 0) ::close(s.locked);
}

bool Replacement::lock(Clock::time_point deadline) {
  State& s = *state_;
  if (s.mode == Mode::create) {
    // Nothing to lock: the new file takes the name only while none has it.
    temporary::remove_stale(s.target);
    return true;
  }
  const fs::path directory = temporary::directory_of(s.target);
  for (;;) {
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !permits_writing(directory, info))
      return false;
    if (::stat(s.target.c_str(), &info) != 0) {
      if (errno != ENOENT) return false;
      s.exists = false;
      temporary::remove_stale(s.target);
      return true;
    }
    if (!S_ISREG(info.st_mode) || !permits_writing(s.target, info)) return false;
    s.locked = open_regular(s.target, s.target_info);
    if (s.locked < 0 || !lock_exclusive(s.locked, deadline)) return false;
    struct stat current {};
    if (::stat(s.target.c_str(), &current) == 0 && same_file(current, s.target_info)) {
      s.exists = true;
      temporary::remove_stale(s.target);
      return true;
    }
    // Another writer put a new file in place while we waited: lock that one.
    ::close(s.locked);
    s.locked = -1;
    if (Clock::now() >= deadline) return false;
  }
}

bool Replacement::target_exists() const { return state_->exists; }

bool Replacement::read_target(std::string& content) {
  const State& s = *state_;
  if (s.locked < 0) return false;
  const int fd = s.locked;
  return file_read::read_whole(static_cast<std::size_t>(s.target_info.st_size), content,
                               [fd](char* into, std::size_t room) {
                                 ssize_t got;
                                 while ((got = ::read(fd, into, room)) < 0 && errno == EINTR) {}
                                 return static_cast<long long>(got);
                               });
}

bool Replacement::open_temporary(const fs::path& name) {
  State& s = *state_;
  s.temporary = name;
  s.out = temporary::create_held(s.target, s.temporary);
  if (s.out < 0) return false;
  if (s.locked < 0) return true;
  // The new file keeps the old one's owner (where we may: only the superuser
  // may give a file away) and permission bits.
  if (::fchown(s.out, s.target_info.st_uid, s.target_info.st_gid) != 0) {}
  return ::fchmod(s.out, s.target_info.st_mode & 07777) == 0;
}

bool Replacement::write(std::string_view bytes) {
  const int out = state_->out;
  if (replacement::injected_failure(ReplacementStep::write, state_->target)) {
    temporary::write_all(out, bytes.substr(0, bytes.size() / 2));
    return false;
  }
  return out >= 0 && temporary::write_all(out, bytes);
}

bool Replacement::flush() {
  State& s = *state_;
  s.flushed = s.out >= 0 && !replacement::injected_failure(ReplacementStep::flush, s.target) && ::fsync(s.out) == 0;
  return s.flushed;
}

// The temporary is flushed before it takes the name, so after a crash the
// name holds the old content or the new, whole. The directory is not
// flushed: losing the rename itself to a power cut leaves the old file,
// which is whole too, and saves a second disk flush on every write.
Placed Replacement::commit() {
  State& s = *state_;
  if (s.out < 0 || (!s.flushed && !flush()) || replacement::injected_failure(ReplacementStep::rename, s.target))
    return Placed::failed;
  Placed placed = Placed::failed;
  if (s.mode == Mode::create || !s.exists) placed = temporary::place_new(s.temporary, s.target);
  // An edit renames over the old file; so does the creation of a missing
  // one where the file system can make no file without replacing.
  if (s.mode == Mode::edit && (s.exists || placed == Placed::unsupported))
    placed = ::rename(s.temporary.c_str(), s.target.c_str()) == 0 ? Placed::placed : Placed::failed;
  s.placed = placed == Placed::placed;
  return placed;
}

bool Replacement::read_temporary(std::string& content) { return read_file(state_->temporary, content); }

}  // namespace runtime

#endif
