// The file services where Windows differs from POSIX, in place of the tests
// that use flock, fork and permission bits: on Windows a lock belongs to a
// handle, a file that another program holds open cannot be renamed over, and
// a file has attributes instead of permission bits. Built everywhere, run on
// Windows only.
#ifdef _WIN32

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/files/profile.h"
#include "runtime/files/text_file.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using runtime::failed_file;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

// Another program's handle on the file; `share` is what it lets others do.
class OtherHandle {
 public:
  explicit OtherHandle(const char* name,
                       DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)
      : file_(CreateFileA(name, GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OtherHandle() { close(); }
  OtherHandle(const OtherHandle&) = delete;
  OtherHandle& operator=(const OtherHandle&) = delete;

  bool open() const { return file_ != INVALID_HANDLE_VALUE; }
  // The whole-file write lock, as a second copy of the tool takes it.
  bool lock() {
    OVERLAPPED whole{};
    return LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                      MAXDWORD, &whole) != 0;
  }
  bool unlock() {
    OVERLAPPED whole{};
    return UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &whole) != 0;
  }
  bool append(const std::string& bytes) {
    LARGE_INTEGER end{};
    DWORD written = 0;
    return SetFilePointerEx(file_, end, nullptr, FILE_END) &&
           WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
  }
  void close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE file_;
};

int open_file(const std::string& name) {
  return runtime::text_file_open(name, runtime::FileMode::line_mode, runtime::FileAccess::write,
                                 runtime::FileLock::lock_write, runtime::WriteMode::append);
}

// 0 when another handle can take the write lock right now (it lets go at
// once), 1 when it is locked out, 2 when it cannot even open the file.
int other_handle_lock(const char* name) {
  OtherHandle other(name);
  if (!other.open()) return 2;
  if (!other.lock()) return 1;
  return other.unlock() ? 0 : 2;
}

class WindowsFiles : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir_;
};

TEST_F(WindowsFiles, OpenTextFileKeepsOtherWritersOutUntilClosed) {
  write_bytes("out.txt", "");
  EXPECT_EQ(other_handle_lock("out.txt"), 0);
  const int handle = open_file("out.txt");
  ASSERT_NE(handle, failed_file);
  EXPECT_EQ(other_handle_lock("out.txt"), 1);
  EXPECT_EQ(runtime::text_file_write_line(handle, "a"), 3);
  EXPECT_EQ(other_handle_lock("out.txt"), 1);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  EXPECT_EQ(other_handle_lock("out.txt"), 0);
  EXPECT_EQ(read_bytes("out.txt"), "a\r\n");
}

// The other writer appends its line just before it lets go: an open that
// waited for it writes after that line.
TEST_F(WindowsFiles, TextFileOpenWaitsForALockThatIsReleasedSoon) {
  write_bytes("out.txt", "x\r\n");
  OtherHandle other("out.txt");
  ASSERT_TRUE(other.open());
  ASSERT_TRUE(other.lock());
  bool appended = false;
  std::thread release([&other, &appended] {
    std::this_thread::sleep_for(400ms);
    appended = other.append("theirs\r\n");
    other.unlock();
  });
  const int handle = open_file("out.txt");
  release.join();
  ASSERT_NE(handle, failed_file);
  EXPECT_TRUE(appended);
  EXPECT_EQ(runtime::text_file_write_line(handle, "y"), 3);
  EXPECT_EQ(runtime::text_file_close(handle), 1);
  EXPECT_EQ(read_bytes("out.txt"), "x\r\ntheirs\r\ny\r\n");
}

// Create mode appends under the lock: a file that another writer has locked
// is left as it is, and the writer says so.
TEST_F(WindowsFiles, FilesLockedByAnotherWriterAreNotAppendedTo) {
  const std::string config = "[Main]\r\nProgramName=Old.exe\r\n";
  const std::string descriptor = "[Update]\r\nVersion=1.0\r\n";
  write_bytes(files::client_config_file, config);
  write_bytes(files::update_descriptor_file, descriptor);
  OtherHandle config_lock(files::client_config_file);
  OtherHandle descriptor_lock(files::update_descriptor_file);
  ASSERT_TRUE(config_lock.lock());
  ASSERT_TRUE(descriptor_lock.lock());
  files::ClientConfig values;
  values.ProgramName = "New.exe";
  EXPECT_FALSE(files::write_client_config(values, true));
  EXPECT_FALSE(files::write_update_descriptor({"2.0", "2024-03-02", "u", "n"}, true));
  config_lock.close();
  descriptor_lock.close();
  EXPECT_EQ(read_bytes(files::client_config_file), config);
  EXPECT_EQ(read_bytes(files::update_descriptor_file), descriptor);
}

// The attributes that mark a file (hidden, here) stay with it when the
// edited copy takes its place, as POSIX keeps permission bits.
TEST_F(WindowsFiles, ProfileEditKeepsTheFilesAttributes) {
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  ASSERT_TRUE(SetFileAttributesA("p.ini", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\n");
  const DWORD attributes = GetFileAttributesA("p.ini");
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

// A reader (the update client, say) that has the file open for a moment
// delays the rename; the edit still lands.
TEST_F(WindowsFiles, ProfileEditWaitsForAReaderThatLetsGoSoon) {
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  OtherHandle reader("p.ini", FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(reader.open());
  std::thread release([&reader] {
    std::this_thread::sleep_for(400ms);
    reader.close();
  });
  const bool written = runtime::profile_write("p.ini", "s", "k", "new");
  release.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

// A program that keeps the file open without letting it be replaced: the
// edit gives up after a bounded wait, and the old file and no temporary
// file are left.
TEST_F(WindowsFiles, ProfileEditGivesUpOnAFileKeptOpen) {
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  OtherHandle holder("p.ini", FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(holder.open());
  // Refused while the file is still held: the wait is bounded.
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "new"));
  holder.close();
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=old\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  EXPECT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
}

// Temporaries that killed writers left beside a file go with the next write
// of that file, by either writer; one that a running writer holds open (it
// lets nobody delete it) stays, and so do other files' ones.
TEST_F(WindowsFiles, StaleTemporariesGoWithTheNextWriteAndHeldOnesStay) {
  const std::string config = files::client_config_file;
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  for (const std::string& name : {"p.ini", config.c_str()}) {
    write_bytes(name + ".kestrel-0123456789abcdef", "left by a kill");
    write_bytes(name + ".kestrel-fedcba9876543210", "being written");
  }
  write_bytes("other.ini.kestrel-0123456789abcdef", "another file's");
  OtherHandle writer("p.ini.kestrel-fedcba9876543210", FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(writer.open());
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  OtherHandle config_writer((config + ".kestrel-fedcba9876543210").c_str(), FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(config_writer.open());
  ASSERT_TRUE(files::write_client_config(files::ClientConfig{}, true));
  EXPECT_EQ(entries(), (std::vector<std::string>{config, config + ".kestrel-fedcba9876543210",
                                             "other.ini.kestrel-0123456789abcdef", "p.ini",
                                             "p.ini.kestrel-fedcba9876543210"}));
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\n");
}

}  // namespace

#endif  // _WIN32
