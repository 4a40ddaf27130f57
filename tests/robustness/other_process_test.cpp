// Other programs at the same file. On Linux, locks are advisory: a program
// that takes an exclusive flock on the file holds it against profile_write,
// which waits a bounded time and then reports failure without touching the
// file; a program that locks the same way while it appends loses nothing to
// profile_write's rename as long as it checks, once it has the lock, that
// the name still stands for the file it opened. A program that writes
// without locking is not held off by anything.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "child.h"
#include "files/client_config.h"
#include "release/generate.h"
#include "release/prefill.h"
#include "runtime/files/profile.h"
#include "runtime/files/text_file.h"
#include "support/temp_dir.h"
#include "system_calls.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;
using release::FieldId;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

// Appends one line the way a cooperating program does: under an exclusive
// flock, to the file that the name stands for once the lock is held.
bool append_under_lock(const char* name, const std::string& line) {
  for (;;) {
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX) != 0) {
      ::close(fd);
      return false;
    }
    struct stat held {}, current {};
    if (::fstat(fd, &held) == 0 && ::stat(name, &current) == 0 && held.st_dev == current.st_dev &&
        held.st_ino == current.st_ino) {
      const bool ok = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
      ::close(fd);
      return ok;
    }
    ::close(fd);  // replaced while we waited: the new file is the one to append to
  }
}

// Appends one line with Kestrel's own line-mode writer.
bool append_with_text_file(const char* name, const std::string& line) {
  const int handle = runtime::text_file_open(name, runtime::FileMode::line_mode, runtime::FileAccess::write,
                                             runtime::FileLock::lock_write, runtime::WriteMode::append);
  const bool ok = runtime::text_file_write_line(handle, line) >= 0;
  return runtime::text_file_close(handle) == 1 && ok;
}

// A child that takes an exclusive lock on the file, tells the parent, keeps
// it for `hold`, appends `line` (if any) and lets go by leaving.
Child lock_holder(const char* name, std::chrono::milliseconds hold, std::string line = "") {
  return Child([=](int signal_fd) {
    const int fd = ::open(name, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0 || ::flock(fd, LOCK_EX) != 0) return 2;
    if (::write(signal_fd, "l", 1) != 1) return 2;
    std::this_thread::sleep_for(hold);
    if (!line.empty() && ::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 2;
    return 0;
  });
}

TEST(OtherProcess, LockHeldTooLongMakesTheWriteFailWithoutTouchingTheFile) {
  test_support::TempWorkingDir dir;
  const std::string before = "[s]\r\nk=old\r\n";
  write_bytes("p.ini", before);
  Child holder = lock_holder("p.ini", std::chrono::seconds(20));
  ASSERT_TRUE(holder.next_signal());
  // Refused while the lock is still held: the wait is bounded.
  EXPECT_FALSE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(read_bytes("p.ini"), before);
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
  holder.kill();
  EXPECT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
}

TEST(OtherProcess, WriteWaitsForALockThatIsReleasedAndKeepsWhatTheOtherWrote) {
  test_support::TempWorkingDir dir;
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  Child holder = lock_holder("p.ini", std::chrono::milliseconds(500), "theirs=1\r\n");
  ASSERT_TRUE(holder.next_signal());
  EXPECT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  EXPECT_EQ(holder.wait(), 0);
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\ntheirs=1\r\n");
}

// One process appends lines while another edits a key of the same file.
void append_while_editing(bool (*append)(const char*, const std::string&)) {
  test_support::TempWorkingDir dir;
  write_bytes("p.ini", "[s]\r\nk=0\r\n[log]\r\n");
  constexpr int appends = 150;
  constexpr int edits = 60;
  Child appender([&](int signal_fd) {
    if (::write(signal_fd, "a", 1) != 1) return 2;
    for (int i = 0; i < appends; ++i) {
      if (!append("p.ini", "line" + std::to_string(i) + "=" + std::to_string(i) + "\r\n")) return 3;
    }
    return 0;
  });
  ASSERT_TRUE(appender.next_signal());
  for (int i = 1; i <= edits; ++i) ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", std::to_string(i)));
  ASSERT_EQ(appender.wait(), 0);
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "lost"), std::to_string(edits));
  int lost = 0;
  for (int i = 0; i < appends; ++i) {
    lost += runtime::profile_read("p.ini", "log", "line" + std::to_string(i), "lost") != std::to_string(i);
  }
  EXPECT_EQ(lost, 0) << "appended lines lost";
}

TEST(OtherProcess, ProgramAppendingUnderLockLosesNothingToEdits) {
  append_while_editing(append_under_lock);
}

TEST(OtherProcess, KestrelsLineWriterAppendingLosesNothingToEdits) {
  append_while_editing(append_with_text_file);
}

TEST(OtherProcess, TwoProcessesEditingOtherKeysKeepBothEdits) {
  test_support::TempWorkingDir dir;
  write_bytes("p.ini", "[Update]\r\nVersion=1.0\r\n");
  constexpr int edits = 40;
  auto editor = [](const std::string& key) {
    return [key](int signal_fd) {
      if (::write(signal_fd, "e", 1) != 1) return 2;
      for (int i = 0; i < edits; ++i) {
        if (!runtime::profile_write("p.ini", "Update", key + std::to_string(i), std::to_string(i))) return 3;
      }
      return 0;
    };
  };
  Child a(editor("a"));
  Child b(editor("b"));
  ASSERT_TRUE(a.next_signal());
  ASSERT_TRUE(b.next_signal());
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);
  for (int i = 0; i < edits; ++i) {
    for (const std::string key : {"a", "b"}) {
      EXPECT_EQ(runtime::profile_read("p.ini", "Update", key + std::to_string(i), "lost"), std::to_string(i));
    }
  }
  EXPECT_EQ(runtime::profile_read("p.ini", "Update", "Version", "lost"), "1.0");
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

// Two processes that both find the file missing and create it at the same
// moment: the one that comes second edits the file the first one made, so
// both keys arrive. Released together, many times over.
TEST(OtherProcess, TwoProcessesCreatingAMissingFileKeepBothKeys) {
  test_support::TempWorkingDir dir;
  constexpr int rounds = 200;
  int lost = 0;
  for (int round = 0; round < rounds; ++round) {
    std::filesystem::remove("p.ini");
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    // One writes a key, the other edits two at once; both wait for the pipe to close.
    auto creator = [&go](bool batch) {
      return [&go, batch](int signal_fd) {
        ::close(go[1]);
        char byte;
        if (::write(signal_fd, "c", 1) != 1 || ::read(go[0], &byte, 1) != 0) return 2;
        const bool written = batch ? runtime::profile_update("p.ini",
                                                             [](runtime::ProfileText& text) {
                                                               text.write("s", "b", "2");
                                                               text.write("t", "c", "3");
                                                             })
                                   : runtime::profile_write("p.ini", "s", "a", "1");
        return written ? 0 : 3;
      };
    };
    Child a(creator(false));
    Child b(creator(true));
    ::close(go[0]);
    ASSERT_TRUE(a.next_signal());
    ASSERT_TRUE(b.next_signal());
    ::close(go[1]);
    ASSERT_EQ(a.wait(), 0);
    ASSERT_EQ(b.wait(), 0);
    lost += runtime::profile_read("p.ini", "s", "a", "lost") != "1" ||
            runtime::profile_read("p.ini", "s", "b", "lost") != "2" ||
            runtime::profile_read("p.ini", "t", "c", "lost") != "3";
    ASSERT_EQ(entries(), std::vector<std::string>{"p.ini"});
  }
  EXPECT_EQ(lost, 0) << "rounds of " << rounds << " that lost a key";
}

// The same, with the first creator held just before its new file takes the
// name while the second creates the file.
TEST(OtherProcess, FileCreatedWhileAnotherCreatesItBecomesAnEdit) {
  test_support::TempWorkingDir dir;
  TracedChild first([] { ::_exit(runtime::profile_write("p.ini", "s", "first", "1") ? 0 : 3); });
  ASSERT_TRUE(first.started()) << "the child could not be traced";
  ASSERT_TRUE(first.run_until([](const SystemCall& call) { return gives_a_name(call) && call.paths[1] == "p.ini"; }));
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "second", "2"));
  EXPECT_EQ(first.finish(), 0);
  EXPECT_EQ(test_support::read_bytes("p.ini"), "[s]\r\nsecond=2\r\nfirst=1\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"p.ini"});
}

// What a program that writes without any lock gets: it keeps writing to the
// file it opened, which the edit has replaced, so its bytes never reach the
// file under that name. Nothing that renames can prevent that.
TEST(OtherProcess, WriterWithoutLockWritesToTheReplacedFile) {
  test_support::TempWorkingDir dir;
  write_bytes("p.ini", "[s]\r\nk=old\r\n");
  const int unlocked = ::open("p.ini", O_WRONLY | O_APPEND);
  ASSERT_GE(unlocked, 0);
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", "new"));
  ASSERT_EQ(::write(unlocked, "late=1\r\n", 8), 8);
  ::close(unlocked);
  EXPECT_EQ(read_bytes("p.ini"), "[s]\r\nk=new\r\n");
}

// UpdateConfig.ini removed by another program while generate runs, once it
// has decided on update mode: a database field that holds text GBK cannot
// store ("?" in its place), which update mode leaves unwritten and the
// check therefore passed, never reaches the file.
TEST(OtherProcess, FileRemovedDuringGenerateGetsNoUncheckedText) {
  test_support::TempWorkingDir dir;
  write_bytes(files::client_config_file, "[Main]\r\nProgramName=Old.exe\r\n");
  release::Values values = release::prefill();
  for (const auto& [id, text] : {std::pair{FieldId::update_url, "http://a/Update.txt"}, {FieldId::program, "A.exe"},
                                 {FieldId::program_version, "1"}, {FieldId::latest_version, "2"},
                                 {FieldId::date, "2024-03-02"}, {FieldId::package_url, "http://a/a.zip"}})
    values[id].text = text;
  values[FieldId::database] = {"?", false};
  TracedChild generate([&] { ::_exit(static_cast<int>(release::generate(values).status)); });
  ASSERT_TRUE(generate.started()) << "the child could not be traced";
  int seen = 0;  // the second call that names the file: after the first look at it
  ASSERT_TRUE(generate.run_until([&](const SystemCall& call) {
    return !call.paths.empty() && call.paths[0] == files::client_config_file && ++seen == 2;
  }));
  fs::remove(files::client_config_file);
  generate.finish();
  EXPECT_EQ(read_bytes(files::client_config_file).find("Database="), std::string::npos)
      << read_bytes(files::client_config_file);
}

}  // namespace
}  // namespace robustness
