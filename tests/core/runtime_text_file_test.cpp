// Line-mode text files (append, CR LF, locked against other writers) and
// the file-exists check.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/files/file_system.h"
#include "runtime/files/text_file.h"
#include "support/ordinary_user.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/file_size_limit.h"
#endif

namespace {

using namespace std::string_literals;
using runtime::failed_file;
using test_support::read_bytes;
using test_support::write_bytes;
namespace fs = std::filesystem;

int open_file(const std::string& name) {
  return runtime::text_file_open(name, runtime::FileMode::line_mode, runtime::FileAccess::write,
                                 runtime::FileLock::lock_write, runtime::WriteMode::append);
}

// Writes the lines to the file and closes it; the close result.
int write_file(const std::string& name, const std::vector<std::string>& lines) {
  const int handle = open_file(name);
  if (handle == failed_file) return -2;
  for (const auto& line : lines) {
    if (runtime::text_file_write_line(handle, line) != static_cast<int>(line.size() + 2)) return -3;
  }
  return runtime::text_file_close(handle);
}

class TextFile : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir_;
};

TEST_F(TextFile, OpenCreatesAMissingFileAndLinesEndInCrLf) {
  const int handle = open_file("out.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_GT(handle, 0);
  EXPECT_TRUE(fs::is_regular_file("out.txt"));
  EXPECT_EQ(runtime::text_file_write_line(handle, "[Update]"), 10);
  EXPECT_EQ(runtime::text_file_write_line(handle, ""), 2);
  EXPECT_EQ(runtime::text_file_write_line(handle, "Version=1.0"), 13);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  // Exactly these bytes: no byte-order mark, no other line end.
  EXPECT_EQ(read_bytes("out.txt"), "[Update]\r\n\r\nVersion=1.0\r\n");
}

TEST_F(TextFile, OpenAppendsToAnExistingFileAndNeverTruncates) {
  write_bytes("out.txt", "old line\r\nno line end");
  EXPECT_EQ(write_file("out.txt", {"new"}), 1);
  EXPECT_EQ(read_bytes("out.txt"), "old line\r\nno line endnew\r\n");
  // An open and close without writes changes nothing.
  EXPECT_EQ(write_file("out.txt", {}), 1);
  EXPECT_EQ(read_bytes("out.txt"), "old line\r\nno line endnew\r\n");
  // A byte-order mark already there stays, and none is added.
  write_bytes("bom.txt", "\xEF\xBB\xBFx\r\n");
  EXPECT_EQ(write_file("bom.txt", {"y"}), 1);
  EXPECT_EQ(read_bytes("bom.txt"), "\xEF\xBB\xBFx\r\ny\r\n");
  // An empty file that exists gets the lines too.
  write_bytes("empty.txt", "");
  EXPECT_EQ(write_file("empty.txt", {"a", "b"}), 1);
  EXPECT_EQ(read_bytes("empty.txt"), "a\r\nb\r\n");
}

TEST_F(TextFile, LineBytesAreWrittenUnchanged) {
  // Line ends, NUL, Ctrl-Z, GBK text ("中" and "！") and bytes that are no
  // valid text: none of them is translated or cut.
  const std::string line = "a\rb\nc\r\nd\0e\x1A" "f\xD6\xD0\xA3\xA1\xFF\x80"s;
  const int handle = open_file("out.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(runtime::text_file_write_line(handle, line), static_cast<int>(line.size()) + 2);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  EXPECT_EQ(read_bytes("out.txt"), line + "\r\n");
}

TEST_F(TextFile, LongLinesAreWrittenWhole) {
  std::string line;
  for (int i = 0; i < 300000; ++i) line.push_back(static_cast<char>('a' + i % 26));
  EXPECT_EQ(write_file("long.txt", {line, line}), 1);
  EXPECT_EQ(read_bytes("long.txt"), line + "\r\n" + line + "\r\n");
}

TEST_F(TextFile, TwoOpenFilesKeepTheirOwnLines) {
  const int first = open_file("one.txt");
  const int second = open_file("two.txt");
  ASSERT_NE(first, failed_file);
  ASSERT_NE(second, failed_file);
  EXPECT_NE(first, second);
  EXPECT_EQ(runtime::text_file_write_line(first, "1a"), 4);
  EXPECT_EQ(runtime::text_file_write_line(second, "2a"), 4);
  EXPECT_EQ(runtime::text_file_write_line(first, "1b"), 4);
  EXPECT_EQ(runtime::text_file_close(first), 1);
  EXPECT_EQ(runtime::text_file_write_line(second, "2b"), 4);
  EXPECT_EQ(runtime::text_file_close(second), 1);
  EXPECT_EQ(read_bytes("one.txt"), "1a\r\n1b\r\n");
  EXPECT_EQ(read_bytes("two.txt"), "2a\r\n2b\r\n");
}

TEST_F(TextFile, HandlesThatAreNotOpenAreRefused) {
  const int handle = open_file("out.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  // Another file opened now may get what the closed one had underneath; the
  // old handle must not reach it, nor be given out again.
  const int next = open_file("next.txt");
  ASSERT_NE(next, failed_file);
  EXPECT_NE(next, handle);
  EXPECT_EQ(runtime::text_file_write_line(handle, "late"), -1);
  EXPECT_EQ(runtime::text_file_close(handle), -1);
  for (int never : {0, failed_file, next + 1000}) {
    EXPECT_EQ(runtime::text_file_write_line(never, "x"), -1);
    EXPECT_EQ(runtime::text_file_close(never), -1);
  }
  EXPECT_EQ(runtime::text_file_close(next), 1);
  EXPECT_EQ(read_bytes("out.txt"), "");
  EXPECT_EQ(read_bytes("next.txt"), "");
}

// Each way of failing to open: failed_file, writes and close refused, and
// nothing created.
TEST_F(TextFile, FailedOpensCreateNothing) {
  fs::create_directory("folder");
  write_bytes("afile", "content");
  for (const std::string name : {"folder", "afile/x", "missing/x.txt", ""}) {
    SCOPED_TRACE(name);
    const int handle = open_file(name);
    EXPECT_EQ(handle, failed_file);
    EXPECT_EQ(runtime::text_file_write_line(handle, "x"), -1);
    EXPECT_EQ(runtime::text_file_close(handle), -1);
  }
  EXPECT_TRUE(fs::is_directory("folder"));
  EXPECT_TRUE(fs::is_empty("folder"));
  EXPECT_EQ(read_bytes("afile"), "content");
  EXPECT_FALSE(fs::exists("missing"));
  std::vector<fs::path> entries(fs::directory_iterator("."), fs::directory_iterator());
  EXPECT_EQ(entries.size(), 2u);
}

// POSIX only: permissions, flock, fork, file size limits, /dev/full. The
// Windows locks are tested in windows_files_test.cpp.
#ifndef _WIN32

TEST_F(TextFile, NameInAReadOnlyDirectoryFailsToOpen) {
  fs::create_directory("locked");
  fs::permissions("locked", fs::perms::owner_read | fs::perms::owner_exec);
  // As the publisher, not the superuser, whom the system lets write there.
  const test_support::OrdinaryUser user;
  ASSERT_TRUE(user.ok());
  EXPECT_EQ(open_file("locked/x.txt"), failed_file);
  EXPECT_TRUE(fs::is_empty("locked"));
}

// Runs body in a child process; its exit code, or -1 when it did not exit.
int in_child(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// 0 when another process can take the write lock on the file right now,
// 1 when it is locked out, 2 on any other failure.
int other_process_lock(const std::string& name) {
  return in_child([&name] {
    const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 2;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    return errno == EWOULDBLOCK ? 1 : 2;
  });
}

TEST_F(TextFile, OpenFileKeepsOtherWritersOutUntilClosed) {
  write_bytes("out.txt", "");
  EXPECT_EQ(other_process_lock("out.txt"), 0);
  const int handle = open_file("out.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(other_process_lock("out.txt"), 1);
  EXPECT_EQ(runtime::text_file_write_line(handle, "a"), 3);
  EXPECT_EQ(other_process_lock("out.txt"), 1);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  EXPECT_EQ(other_process_lock("out.txt"), 0);
}

// The other writer appends its line just before it lets go: an open that
// waited for it writes after that line.
TEST_F(TextFile, OpenWaitsForALockThatIsReleasedSoon) {
  write_bytes("out.txt", "x\r\n");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open("out.txt", O_WRONLY | O_APPEND);
    const char ok = fd >= 0 && flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    usleep(400 * 1000);
    _exit(write(fd, "theirs\r\n", 8) == 8 ? 0 : 2);  // the lock goes with the process
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, 'y');
  const int handle = open_file("out.txt");
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(runtime::text_file_write_line(handle, "y"), 3);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  EXPECT_EQ(read_bytes("out.txt"), "x\r\ntheirs\r\ny\r\n");
}

// Writes the lines in a child process whose files may not grow past
// `limit` bytes until the limit is lifted before line `lift_before`; the
// results of the open, each write and the close.
std::vector<int> write_with_size_limit(const std::string& name,
                                       const std::vector<std::string>& lines, rlim_t limit,
                                       std::size_t lift_before = SIZE_MAX) {
  int results[2];
  if (pipe(results) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(results[0]);
    std::optional<test_support::FileSizeLimit> full(std::in_place, limit);
    std::vector<int> out;
    const int handle = open_file(name);
    out.push_back(handle == failed_file ? 0 : 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i == lift_before) full.reset();
      out.push_back(runtime::text_file_write_line(handle, lines[i]));
    }
    out.push_back(runtime::text_file_close(handle));
    const auto bytes = out.size() * sizeof(int);
    _exit(write(results[1], out.data(), bytes) == static_cast<ssize_t>(bytes) ? 0 : 2);
  }
  close(results[1]);
  std::vector<int> out(lines.size() + 2, 0);
  const auto bytes = out.size() * sizeof(int);
  const bool read_all = child > 0 && read(results[0], out.data(), bytes) == static_cast<ssize_t>(bytes);
  close(results[0]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  if (!read_all) return {};
  return out;
}

TEST_F(TextFile, FailedWriteRestoresAnExistingFile) {
  write_bytes("out.txt", "old\r\n");
  const std::string big(100, 'b');
  // 5 + 7 bytes fit under 64; the big line is cut off by the limit. The
  // limit is lifted before "x", which must not go in after the failure.
  const auto results = write_with_size_limit("out.txt", {"short", big, "x"}, 64, 2);
  ASSERT_EQ(results.size(), 5u);
  EXPECT_EQ(results[0], 1);   // opened
  EXPECT_EQ(results[1], 7);   // "short" reached the file
  EXPECT_EQ(results[2], -1);  // the big line did not
  EXPECT_EQ(results[3], -1);  // nothing more after a failed write
  EXPECT_EQ(results[4], -1);  // close tells
  EXPECT_EQ(read_bytes("out.txt"), "old\r\n");
}

TEST_F(TextFile, FailedWriteRemovesAFileTheOpenCreated) {
  const auto results = write_with_size_limit("new.txt", {"fits", std::string(100, 'b')}, 32);
  ASSERT_EQ(results.size(), 4u);
  EXPECT_EQ(results[0], 1);
  EXPECT_EQ(results[1], 6);
  EXPECT_EQ(results[2], -1);
  EXPECT_EQ(results[3], -1);
  EXPECT_FALSE(fs::exists("new.txt"));
}

// A full device: the writes and the close report the failure. There is
// nothing to put back on a device, and the name (a link) stays.
TEST_F(TextFile, WriteToAFullDeviceIsReported) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  fs::create_symlink("/dev/full", "full.txt");
  const int handle = open_file("full.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(runtime::text_file_write_line(handle, "lost"), -1);
  EXPECT_EQ(runtime::text_file_write_line(handle, "lost too"), -1);
  EXPECT_EQ(runtime::text_file_close(handle), -1);
  EXPECT_TRUE(fs::is_symlink("full.txt"));
}

#endif  // _WIN32

TEST_F(TextFile, SecondOpenOfAnOpenFileFailsAndLeavesItAlone) {
  write_bytes("out.txt", "kept\r\n");
  const int first = open_file("out.txt");
  ASSERT_NE(first, failed_file);
  EXPECT_EQ(runtime::text_file_write_line(first, "one"), 5);
  // It gives up while the first still holds the file; one that waited for
  // ever would hang here until the test's time limit.
  EXPECT_EQ(open_file("out.txt"), failed_file);
  // The first writer goes on as if nothing happened.
  EXPECT_EQ(runtime::text_file_write_line(first, "two"), 5);
  EXPECT_EQ(runtime::text_file_close(first), 1);
  EXPECT_EQ(read_bytes("out.txt"), "kept\r\none\r\ntwo\r\n");
}

class FileExists : public TextFile {};

TEST_F(FileExists, TrueForFilesOnly) {
  write_bytes("there.txt", "");
  fs::create_directory("folder");
  EXPECT_TRUE(runtime::file_exists("there.txt"));
  EXPECT_TRUE(runtime::file_exists((dir_.path() / "there.txt").string()));
  EXPECT_FALSE(runtime::file_exists("missing.txt"));
  EXPECT_FALSE(runtime::file_exists("folder"));
  EXPECT_FALSE(runtime::file_exists("folder/"));
  EXPECT_FALSE(runtime::file_exists("."));
  EXPECT_FALSE(runtime::file_exists(""));
  EXPECT_FALSE(runtime::file_exists("there.txt/x"));
  // The name is matched whole, not as a prefix.
  EXPECT_FALSE(runtime::file_exists("there"));
  EXPECT_FALSE(runtime::file_exists("there.txtx"));
}

TEST_F(FileExists, FindsAFileWrittenUnderAGbkName) {
  const std::string name = "\xC9\xFD\xBC\xB6\xD6\xD0.txt";  // 升级中.txt
  EXPECT_FALSE(runtime::file_exists(name));
  EXPECT_EQ(write_file(name, {"a"}), 1);
  EXPECT_TRUE(runtime::file_exists(name));
  EXPECT_FALSE(runtime::file_exists("\xC9\xFD\xBC\xB6.txt"));
}

}  // namespace
