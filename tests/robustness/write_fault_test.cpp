// Writes that the system refuses half-way: a disk that fills up, a rename
// that is not allowed, places that are read-only for the user who runs the
// tool. Each is reported as not written, and the old file stays whole.
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "child.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/files/profile.h"
#include "support/file_size_limit.h"
#include "support/ordinary_user.h"
#include "support/temp_dir.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

constexpr int written = 10;
constexpr int not_written = 11;

int report(bool ok) { return ok ? written : not_written; }

// Runs `write` in a child whose files cannot grow past `limit` bytes, as if
// the disk were full.
int with_disk_full_at(rlim_t limit, const std::function<bool()>& write) {
  return run_in_child([&] {
    const test_support::FileSizeLimit full(limit);
    return report(write());
  });
}

std::string sized_profile(std::size_t size) {
  std::string text = "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\nAutoUpdate=1\r\nURL=http://old/\r\n"
                     "Version=1.0\r\nLastUpdate=2020-01-01 00:00:00\r\n[Padding]\r\n";
  for (int i = 0; text.size() < size; ++i) text += "Key" + std::to_string(i) + "=some padding value\r\n";
  return text;
}

TEST(FullDisk, ProfileEditThatDoesNotFitLeavesTheOldFileWhole) {
  test_support::TempWorkingDir dir;
  const std::string before = sized_profile(200'000);
  write_bytes("p.ini", before);
  // Room for the first half of the new content only.
  EXPECT_EQ(with_disk_full_at(100'000, [] { return runtime::profile_write("p.ini", "Update", "Version", "2.0"); }),
            not_written);
  EXPECT_EQ(read_bytes("p.ini"), before);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  // No room at all: a new file is not created, not even empty.
  EXPECT_EQ(with_disk_full_at(0, [] { return runtime::profile_write("new.ini", "s", "k", "v"); }), not_written);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  // With the room back, the same edit goes through.
  EXPECT_TRUE(runtime::profile_write("p.ini", "Update", "Version", "2.0"));
  EXPECT_EQ(runtime::profile_read("p.ini", "Update", "Version", "-"), "2.0");
}

TEST(FullDisk, UpdateModeOfBothFilesReportsNotWrittenAndKeepsThem) {
  test_support::TempWorkingDir dir;
  const std::string config = sized_profile(50'000);
  const std::string descriptor = "[Update]\r\nVersion=1.0\r\nDate=2020-01-01\r\nURL=http://old/a.rar\r\nNote=\r\n" +
                                 std::string(40'000, ';') + "\r\n";
  write_bytes(files::client_config_file, config);
  write_bytes(files::update_descriptor_file, descriptor);
  files::ClientConfig new_config{"New.exe", "http://new/Update.txt", "2.0", "", "", "", "", "", ""};
  files::UpdateDescriptor new_descriptor{"2.0", "2024-03-02", "http://new/b.zip", "note"};
  EXPECT_EQ(with_disk_full_at(30'000, [&] { return files::write_client_config(new_config, false); }), not_written);
  EXPECT_EQ(with_disk_full_at(30'000, [&] { return files::write_update_descriptor(new_descriptor, false); }),
            not_written);
  EXPECT_EQ(read_bytes(files::client_config_file), config);
  EXPECT_EQ(read_bytes(files::update_descriptor_file), descriptor);
  EXPECT_EQ(entries(), (std::vector<std::string>{files::update_descriptor_file, files::client_config_file}));
}

TEST(FullDisk, CreateModeThatDoesNotFitLeavesNoFile) {
  test_support::TempWorkingDir dir;
  files::ClientConfig config{"Sales.exe", "http://example.com/Update.txt", "1.5", "MSS", "(local)", "sales",
                             "sa", "", ""};
  files::UpdateDescriptor descriptor{"2.22", "2024-03-02", "http://example.com/sales.rar", "fixed"};
  EXPECT_EQ(with_disk_full_at(200, [&] { return files::write_client_config(config, true); }), not_written);
  EXPECT_EQ(with_disk_full_at(40, [&] { return files::write_update_descriptor(descriptor, true); }), not_written);
  EXPECT_EQ(entries(), std::vector<std::string>{});
}

// An append-only directory (chattr +a) lets files be made in it but none be
// renamed or removed, so the rename over the old file really fails. Needs
// the right to set that flag, and a file system that has it.
class AppendOnlyDirectory {
 public:
  explicit AppendOnlyDirectory(const fs::path& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY);
    int flags = 0;
    if (fd_ < 0 || ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0) return;
    flags |= FS_APPEND_FL;
    set_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ~AppendOnlyDirectory() {
    if (set_) {
      int flags = 0;
      ::ioctl(fd_, FS_IOC_GETFLAGS, &flags);
      flags &= ~FS_APPEND_FL;
      ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
    }
    if (fd_ >= 0) ::close(fd_);
  }
  bool set() const { return set_; }

 private:
  fs::path path_;
  int fd_ = -1;
  bool set_ = false;
};

TEST(FailedRename, RefusedRenameIsReportedAndTheOldFileStays) {
  test_support::TempWorkingDir dir;
  fs::create_directory("d");
  const std::string before = sized_profile(10'000);
  write_bytes("d/p.ini", before);
  AppendOnlyDirectory append_only("d");
  if (!append_only.set()) GTEST_SKIP() << "cannot make a directory append-only here";
  EXPECT_FALSE(runtime::profile_write("d/p.ini", "Update", "Version", "2.0"));
  EXPECT_EQ(read_bytes("d/p.ini"), before);
  EXPECT_EQ(runtime::profile_read("d/p.ini", "Update", "Version", "-"), "1.0");
  // The temporary file could not be removed either; it is the writer's, by
  // its name, and holds the whole new content.
  const std::vector<std::string> names = entries("d");
  ASSERT_LE(names.size(), 2u);
  if (names.size() == 2) {
    EXPECT_EQ(names[0], "p.ini");
    EXPECT_EQ(names[1].rfind("p.ini.kestrel-", 0), 0u) << names[1];
  }
}

// Runs `body` in a child as a user without the superuser's rights (see
// OrdinaryUser), whose own files are then as read-only to it as their
// permission bits say.
int as_ordinary_user(const std::function<bool()>& body) {
  return run_in_child([&] {
    const test_support::OrdinaryUser user;
    return user.ok() ? report(body()) : 2;
  });
}

TEST(ReadOnlyPlaces, ReadOnlyFilesAreReportedNotWrittenAndKeepTheirBytes) {
  test_support::TempWorkingDir dir;
  const std::string config = sized_profile(1000);
  const std::string descriptor = "[Update]\r\nVersion=1.0\r\n";
  write_bytes(files::client_config_file, config);
  write_bytes(files::update_descriptor_file, descriptor);
  fs::permissions(files::client_config_file, fs::perms::owner_read | fs::perms::group_read);
  fs::permissions(files::update_descriptor_file, fs::perms::owner_read | fs::perms::group_read);
  files::ClientConfig new_config{"New.exe", "http://new/", "2.0", "", "", "", "", "", ""};
  files::UpdateDescriptor new_descriptor{"2.0", "2024-03-02", "http://new/b.zip", ""};
  for (const bool create : {false, true}) {
    SCOPED_TRACE(create ? "create mode" : "update mode");
    EXPECT_EQ(as_ordinary_user([&] { return files::write_client_config(new_config, create); }), not_written);
    EXPECT_EQ(as_ordinary_user([&] { return files::write_update_descriptor(new_descriptor, create); }),
              not_written);
    EXPECT_EQ(read_bytes(files::client_config_file), config);
    EXPECT_EQ(read_bytes(files::update_descriptor_file), descriptor);
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{files::update_descriptor_file, files::client_config_file}));
}

TEST(ReadOnlyPlaces, ReadOnlyDirectoryGetsNoFileAndKeepsItsFiles) {
  test_support::TempWorkingDir dir;
  const std::string config = sized_profile(1000);
  write_bytes(files::client_config_file, config);
  fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec);
  files::ClientConfig new_config{"New.exe", "http://new/", "2.0", "", "", "", "", "", ""};
  files::UpdateDescriptor new_descriptor{"2.0", "2024-03-02", "http://new/b.zip", ""};
  // The existing file in update mode, the missing one in create mode, as
  // the form chooses them.
  EXPECT_EQ(as_ordinary_user([&] { return files::write_client_config(new_config, false); }), not_written);
  EXPECT_EQ(as_ordinary_user([&] { return files::write_update_descriptor(new_descriptor, true); }), not_written);
  EXPECT_EQ(as_ordinary_user([&] { return runtime::profile_write("other.ini", "s", "k", "v"); }), not_written);
  EXPECT_EQ(read_bytes(files::client_config_file), config);
  EXPECT_EQ(entries(), std::vector<std::string>{files::client_config_file});
}

}  // namespace
}  // namespace robustness
