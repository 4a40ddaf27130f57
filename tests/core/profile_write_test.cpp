// Editing profile files: one key changes, every other byte stays, and the
// file on disk is always the old one or the new one, whole.
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/files/replacement.h"
#include "runtime/files/profile.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using runtime::testing::ReplacementStep;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

class ProfileWrite : public ::testing::Test {
 protected:
  ~ProfileWrite() override { runtime::testing::fail_next_replacement_step(ReplacementStep::none); }

  // The file after setting one key in it, or "<refused>".
  std::string edited(const std::string& before, std::string_view section, std::string_view key,
                     std::string_view value) {
    write_bytes("p.ini", before);
    if (!runtime::profile_write("p.ini", section, key, value)) return "<refused>";
    return read_bytes("p.ini");
  }

  test_support::TempWorkingDir dir_;
};

TEST_F(ProfileWrite, ReplacingAValueKeepsEveryOtherByte) {
  const std::string head = "\xEF\xBB\xBF; comment\r\n\r\n[other]\nKey=not this one\r[Update]\r\n";
  const std::string tail = "\r\nnext=\0x\n\n; end\r\n[t]\r\nkey=2"s;
  EXPECT_EQ(edited(head + "  key \t=  old value  \t" + tail, "update", "KEY", "new"),
            head + "  key \t=  new" + tail + "\r\n");
  // Quotes and blanks after the old value go with it; its line end stays.
  EXPECT_EQ(edited("[s]\nk = \"old\" \nz=1\n", "s", "k", "v"), "[s]\nk = v\nz=1\n");
  EXPECT_EQ(edited("[s]\r\nk=\r\n", "s", "k", "v"), "[s]\r\nk=v\r\n");
  EXPECT_EQ(edited("[s]\r\nk=   \r\n", "s", "k", "v"), "[s]\r\nk=   v\r\n");
  EXPECT_EQ(edited("[s]\r\nk=old\r\n", "s", "k", ""), "[s]\r\nk=\r\n");
  // The file then ends with a line end, wherever the edit was, as Windows
  // ends a file it rewrites.
  EXPECT_EQ(edited("[s]\r\nk=old", "s", "k", "new"), "[s]\r\nk=new\r\n");
  EXPECT_EQ(edited("[s]\r\nk=old\r\n[t]\r\nx=1", "s", "k", "new"), "[s]\r\nk=new\r\n[t]\r\nx=1\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "t", "x", "-"), "1");
  EXPECT_EQ(edited("[s]\rk=old\r[t]\r", "s", "k", "new"), "[s]\rk=new\r[t]\r");
  // Only the first section of a name and the first key in it are edited.
  EXPECT_EQ(edited("[s]\nk=1\nk=2\n[s]\nk=3\n", "S", "k", "x"), "[s]\nk=x\nk=2\n[s]\nk=3\n");
}

TEST_F(ProfileWrite, MissingKeyGoesAfterTheLastKeyLineOfItsSection) {
  EXPECT_EQ(edited("[a]\r\nx=1\r\ny=2\r\n\r\n; note\r\n;z=9\r\n[b]\r\nz=8\r\n", "A", "z", "3"),
            "[a]\r\nx=1\r\ny=2\r\nz=3\r\n\r\n; note\r\n;z=9\r\n[b]\r\nz=8\r\n");
  // A line without "=" is a key line too (a key without a value).
  EXPECT_EQ(edited("[a]\r\nx=1\r\nstray text\r\n\r\n", "a", "z", "3"), "[a]\r\nx=1\r\nstray text\r\nz=3\r\n\r\n");
  // No key line: right after the header.
  EXPECT_EQ(edited("[a]\r\n; c\r\n\r\n[b]\r\n", "a", "z", "3"), "[a]\r\nz=3\r\n; c\r\n\r\n[b]\r\n");
  // A last line without a line end first gets one.
  EXPECT_EQ(edited("[a]\r\nx=1", "a", "z", "3"), "[a]\r\nx=1\r\nz=3\r\n");
  EXPECT_EQ(edited("[a]", "a", "z", "3"), "[a]\r\nz=3\r\n");
  // Into the first section of the name only.
  EXPECT_EQ(edited("[a]\nx=1\n[a]\ny=2\n", "a", "y", "3"), "[a]\nx=1\ny=3\n[a]\ny=2\n");
  // Names given lose the spaces at their ends, as Windows writes them.
  EXPECT_EQ(edited("[a]\r\nx=1\r\n", " a ", "  x ", "2"), "[a]\r\nx=2\r\n");
  EXPECT_EQ(edited("[a]\r\nx=1\r\n", "a ", " z", "3"), "[a]\r\nx=1\r\nz=3\r\n");
  EXPECT_EQ(edited("", " b ", " y ", "2"), "[b]\r\ny=2\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "b", "y", "-"), "2");
}

// Hand-edited shapes that the Windows profile API reads in its own way: the
// edit lands where the API, and so the update client, reads the key.
TEST_F(ProfileWrite, UnclosedHeaderAndKeyLineWithoutEqualsAreEditedAsTheApiReadsThem) {
  // "[Update" is the header of [Update]; a key of the section above is
  // added to that section, before it.
  EXPECT_EQ(edited("[Main]\r\nP=1\r\n[Update \r\nURL=old\r\n", "Update", "URL", "new"),
            "[Main]\r\nP=1\r\n[Update \r\nURL=new\r\n");
  EXPECT_EQ(edited("[Main]\r\nP=1\r\n[Update\r\nURL=old\r\n", "Main", "URL", "new"),
            "[Main]\r\nP=1\r\nURL=new\r\n[Update\r\nURL=old\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "Update", "URL", "-"), "old");
  // A key line without "=" is the key: it gets "=" and the value, and the
  // later line of the key stays as it was.
  EXPECT_EQ(edited("[Update]\r\nVersion\r\nVersion=1.0\r\n", "Update", "Version", "2.0"),
            "[Update]\r\nVersion=2.0\r\nVersion=1.0\r\n");
  EXPECT_EQ(edited("[u]\r\n  version \t\r\nz=1\r\n", "U", "VERSION", "2"), "[u]\r\n  version=2\r\nz=1\r\n");
  EXPECT_EQ(edited("[u]\nk", "u", "k", ""), "[u]\nk=\n");
  // The vertical tab is a blank around names and values.
  EXPECT_EQ(edited("[\vs\v]\r\n\vk\v=\vold\v\r\n", "s", "k", "new"), "[\vs\v]\r\n\vk\v=\vnew\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), "new");
  // Windows does not understand a UTF-8 byte-order mark: the first line is
  // no header, so [Main] is added at the end, where the client reads it.
  EXPECT_EQ(edited("\xEF\xBB\xBF[Main]\r\nP=old\r\n", "Main", "P", "new"),
            "\xEF\xBB\xBF[Main]\r\nP=old\r\n[Main]\r\nP=new\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "Main", "P", "-"), "new");
}

TEST_F(ProfileWrite, MissingSectionGoesAtTheEnd) {
  EXPECT_EQ(edited("[a]\r\nx=1\r\n\r\n", "b", "y", "2"), "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
  EXPECT_EQ(edited("[a]\r\nx=1", "b", "y", "2"), "[a]\r\nx=1\r\n[b]\r\ny=2\r\n");
  EXPECT_EQ(edited("; only a comment", "b", "y", "2"), "; only a comment\r\n[b]\r\ny=2\r\n");
  EXPECT_EQ(edited("", "b", "y", "2"), "[b]\r\ny=2\r\n");
  EXPECT_EQ(edited("\xEF\xBB\xBF", "b", "y", "2"), "\xEF\xBB\xBF\r\n[b]\r\ny=2\r\n");
  // A key line before any section does not make a section.
  EXPECT_EQ(edited("y=0\r\n", "b", "y", "2"), "y=0\r\n[b]\r\ny=2\r\n");
}

TEST_F(ProfileWrite, AddedLinesUseTheLineEndOfTheFirstLine) {
  EXPECT_EQ(edited("[a]\nx=1\n", "b", "y", "2"), "[a]\nx=1\n[b]\ny=2\n");
  EXPECT_EQ(edited("[a]\nx=1", "a", "y", "2"), "[a]\nx=1\ny=2\n");
  EXPECT_EQ(edited("[a]\rx=1\r", "a", "y", "2"), "[a]\rx=1\ry=2\r");
  EXPECT_EQ(edited("\xEF\xBB\xBF[a]\nx=1\r\n", "a", "y", "2"), "\xEF\xBB\xBF[a]\nx=1\r\n[a]\ny=2\n");
  EXPECT_EQ(edited("[a]\r\nx=1\n", "b", "y", "2"), "[a]\r\nx=1\n[b]\r\ny=2\r\n");
}

TEST_F(ProfileWrite, MissingFileIsCreated) {
  ASSERT_TRUE(runtime::profile_write("new.ini", "Update", "Version", "1.0"));
  EXPECT_EQ(read_bytes("new.ini"), "[Update]\r\nVersion=1.0\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"new.ini"});
#ifndef _WIN32
  // Readable by whoever the umask lets read new files, like any new file.
  const mode_t umask = ::umask(0);
  ::umask(umask);
  struct stat info {};
  ASSERT_EQ(::stat("new.ini", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0666 & ~umask);
#endif
}

TEST_F(ProfileWrite, ValueWithLineBreaksIsWrittenAsItIs) {
  EXPECT_EQ(edited("[s]\r\nk=old\r\nz=1\r\n", "s", "k", "first\r\nsecond"),
            "[s]\r\nk=first\r\nsecond\r\nz=1\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), "first");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "z", "-"), "1");
  EXPECT_EQ(edited("", "s", "k", "a\nb"), "[s]\r\nk=a\nb\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), "a");
}

TEST_F(ProfileWrite, WrittenValuesReadBack) {
  const std::vector<std::pair<std::string, std::string>> keys = {
      {"Version", "2.0.1"},       {"Url", "http://host/a=b;c"}, {"Empty", ""},
      {"Inner", "two  blanks"},   {"\xD6\xD0\xCE\xC4", "\xB0\x41\xB0\x61"},
      {"Nul", "x\0y"s},           {"Long", std::string(100'000, 'L')}};
  for (const char* section : {"Update", "\xB8\xFC\xD0\xC2", "Other"}) {
    for (const auto& [key, value] : keys) {
      ASSERT_TRUE(runtime::profile_write("p.ini", section, key, value)) << key;
    }
  }
  for (const char* section : {"update", "\xB8\xFC\xD0\xC2", "OTHER"}) {
    for (const auto& [key, value] : keys) {
      EXPECT_EQ(runtime::profile_read("p.ini", section, key, "-"), value) << key;
    }
  }
  ASSERT_TRUE(runtime::profile_write("p.ini", "UPDATE", "version", "3"));
  EXPECT_EQ(runtime::profile_read("p.ini", "Update", "Version", "-"), "3");
  EXPECT_EQ(runtime::profile_read("p.ini", "Other", "Version", "-"), "2.0.1");
}

TEST_F(ProfileWrite, ReadOnlyFileIsRefusedAndUntouched) {
  const std::string before = "[s]\r\nk=old\r\n";
  write_bytes("p.ini", before);
  fs::permissions("p.ini", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const auto mode = fs::status("p.ini").permissions();
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_FALSE(runtime::profile_write("p.ini", "t", "k", "new"));
  EXPECT_EQ(read_bytes("p.ini"), before);
  EXPECT_EQ(fs::status("p.ini").permissions(), mode);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

TEST_F(ProfileWrite, DirectoryInPlaceOfFileIsRefused) {
  fs::create_directory("p.ini");
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "v"));
  EXPECT_TRUE(fs::is_directory("p.ini"));
  EXPECT_TRUE(fs::is_empty("p.ini"));
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

// POSIX only: permission bits, FIFOs, symbolic links, flock. Attributes and
// files held open on Windows are tested in windows_files_test.cpp.
#ifndef _WIN32

TEST_F(ProfileWrite, UnwritableDirectoryIsRefused) {
  fs::create_directory("locked");
  write_bytes("locked/p.ini", "[s]\r\nk=old\r\n");
  fs::permissions("locked", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(runtime::profile_write("locked/p.ini", "s", "k", "new"));
  EXPECT_FALSE(runtime::profile_write("locked/new.ini", "s", "k", "new"));
  EXPECT_EQ(read_bytes("locked/p.ini"), "[s]\r\nk=old\r\n");
  EXPECT_EQ(entries("locked"), std::vector<std::string>{"p.ini"});
}

TEST_F(ProfileWrite, PipeInPlaceOfFileIsNeitherReadNorReplaced) {
  ASSERT_EQ(::mkfifo("p.ini", 0666), 0);
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), "-");
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "v"));
  EXPECT_EQ(fs::status("p.ini").type(), fs::file_type::fifo);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

TEST_F(ProfileWrite, SymlinkIsEditedThroughAndStaysALink) {
  fs::create_directory("real");
  write_bytes("real/p.ini", "[s]\r\nk=old\r\n");
  fs::create_symlink("real/p.ini", "hop.ini");
  fs::create_symlink("hop.ini", "link.ini");
  ASSERT_TRUE(runtime::profile_write("link.ini", "s", "k", "new"));
  EXPECT_TRUE(fs::is_symlink("link.ini"));
  EXPECT_TRUE(fs::is_symlink("hop.ini"));
  EXPECT_EQ(read_bytes("real/p.ini"), "[s]\r\nk=new\r\n");
  EXPECT_EQ(entries("real"), std::vector<std::string>{"p.ini"});
  // A relative target counts from the link's own directory.
  fs::create_directory("links");
  fs::create_symlink("../real/p.ini", "links/p.ini");
  ASSERT_TRUE(runtime::profile_write("links/p.ini", "s", "k", "newer"));
  EXPECT_TRUE(fs::is_symlink("links/p.ini"));
  EXPECT_EQ(read_bytes("real/p.ini"), "[s]\r\nk=newer\r\n");
  // A link to a file not yet there creates that file.
  fs::create_symlink("real/later.ini", "later.ini");
  ASSERT_TRUE(runtime::profile_write("later.ini", "s", "k", "v"));
  EXPECT_TRUE(fs::is_symlink("later.ini"));
  EXPECT_EQ(read_bytes("real/later.ini"), "[s]\r\nk=v\r\n");
  // A loop of links is refused.
  fs::create_symlink("loop2.ini", "loop1.ini");
  fs::create_symlink("loop1.ini", "loop2.ini");
  EXPECT_FALSE(runtime::profile_write("loop1.ini", "s", "k", "v"));
}

TEST_F(ProfileWrite, PermissionBitsAndOwnerOfTheOldFileAreKept) {
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions("p.ini", mode);
  // Only the superuser can hand a file to someone else; then the new file
  // must go to the old file's owner too.
  const bool may_give_away = ::geteuid() == 0 && ::chown("p.ini", 4321, 4321) == 0;
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(fs::status("p.ini").permissions(), mode);
  struct stat info {};
  ASSERT_EQ(::stat("p.ini", &info), 0);
  EXPECT_EQ(info.st_uid, may_give_away ? 4321u : ::geteuid());
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\n");
}

TEST_F(ProfileWrite, WaitsBoundedTimeForAnotherWritersLock) {
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  const int other = ::open("p.ini", O_RDONLY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  // The writer gives up while the lock is still held; one that waited for
  // ever would hang here until the test's time limit.
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=old\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  ::close(other);
  EXPECT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
}

#endif  // _WIN32

TEST_F(ProfileWrite, ConcurrentWritersLoseNoUpdate) {
  write_bytes("p.ini", "[s]\r\n");
  constexpr int per_writer = 40;
  auto writer = [](const std::string& prefix) {
    for (int i = 0; i < per_writer; ++i) {
      EXPECT_TRUE(runtime::profile_write("p.ini", "s", prefix + std::to_string(i), std::to_string(i)));
    }
  };
  std::thread a(writer, "a");
  std::thread b(writer, "b");
  a.join();
  b.join();
  for (int i = 0; i < per_writer; ++i) {
    for (std::string key : {"a", "b"}) {
      key += std::to_string(i);
      EXPECT_EQ(runtime::profile_read("p.ini", "s", key, "lost"), std::to_string(i)) << key;
    }
  }
}

TEST_F(ProfileWrite, FailedStepLeavesTheOldFileWhole) {
  const std::string before = "[s]\r\nk=old\r\n; the rest\r\n" + std::string(10'000, 'x') + "\r\n";
  for (const auto step : {ReplacementStep::write, ReplacementStep::flush, ReplacementStep::rename}) {
    SCOPED_TRACE(static_cast<int>(step));
    write_bytes("p.ini", before);
    runtime::testing::fail_next_replacement_step(step);
    EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "new"));
    EXPECT_EQ(read_bytes("p.ini"), before);
    EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
    // The failure was for one write only.
    EXPECT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
    EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), "new");

    runtime::testing::fail_next_replacement_step(step);
    EXPECT_FALSE(runtime::profile_write("fresh.ini", "s", "k", "v"));
    EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  }
}

// How long such an edit takes is measured by the benchmarks
// (BM_profile_write/10485760), not here.
TEST_F(ProfileWrite, LargeFileWithBothLoneLineEndsIsEditedExactly) {
  // 10 MB, the edited section holding LF lines and then CR lines: the line
  // reader remembers where it saw each kind of line end last.
  const std::string line = "some_key_of_medium_length = some value of medium length";
  std::string before = "[other]\r\n";
  while (before.size() < 3'000'000) before += line + "\r\n";
  before += "[s]\n";
  while (before.size() < 6'500'000) before += line + "\n";
  while (before.size() < 10'000'000) before += line + "\r";
  write_bytes("p.ini", before + "k=old\r\n[t]\r\nx=1\r\n");
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(read_bytes("p.ini"), before + "k=new\r\n[t]\r\nx=1\r\n");
}

}  // namespace
