// A process killed while it rewrites a profile file: at whatever moment the
// kill lands, the file is the old content or the new content, whole. The
// new content is written to "<name>.kestrel-<hex digits>" beside the file
// and renamed over it; a kill before the rename leaves that temporary file
// behind (at most one per kill), which nothing reads and the next write of
// the file removes. One that a running writer still holds stays.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "child.h"
#include "files/client_config.h"
#include "runtime/text/datetime.h"
#include "runtime/files/profile.h"
#include "support/expected_files.h"
#include "support/temp_dir.h"
#include "system_calls.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

// Where two byte strings first differ, for a message that does not print
// megabytes.
std::string first_difference(const std::string& actual, const std::string& expected) {
  const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
  return "size " + std::to_string(actual.size()) + " (expected " + std::to_string(expected.size()) +
         "), first difference at byte " + std::to_string(mismatch.first - actual.begin());
}

// "" when `actual` is one of the two, else what is wrong with it.
std::string neither_of(const std::string& actual, const std::string& old_content,
                       const std::string& new_content) {
  if (actual == old_content || actual == new_content) return "";
  return "neither old (" + first_difference(actual, old_content) + ") nor new (" +
         first_difference(actual, new_content) + ")";
}

// A temporary file of the writer: "<target>.kestrel-" and hex digits.
bool is_writer_temporary(const std::string& name, const std::string& target) {
  const std::string prefix = target + ".kestrel-";
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  return std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                     [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

// The names beside `target` in the working directory, all of which must be
// the writer's temporary files; -1 if some other name turned up.
int stale_temporaries(const std::string& target) {
  int count = 0;
  for (const std::string& name : entries()) {
    if (name == target) continue;
    if (!is_writer_temporary(name, target)) return -1;
    ++count;
  }
  return count;
}

// About 6 MB of sections, with the edited key in the middle.
struct BigProfile {
  std::string head;
  std::string tail;
  std::string with(const std::string& value) const { return head + value + tail; }
};

BigProfile big_profile() {
  BigProfile profile;
  for (int i = 0; profile.head.size() < 3'000'000; ++i) {
    profile.head += "[Section" + std::to_string(i) + "]\r\nKey=value " + std::to_string(i) +
                    "\r\n; a comment that makes the file larger, as real files have them\r\n";
  }
  profile.head += "[Target]\r\nOther=1\r\nValue=";
  profile.tail = "\r\nMore=2\r\n";
  for (int i = 0; profile.tail.size() < 3'000'000; ++i) {
    profile.tail += "[Later" + std::to_string(i) + "]\nKey=value " + std::to_string(i) + "\n";
  }
  return profile;
}

TEST(KillDuringWrite, LargeFileIsAlwaysTheOldOrTheNewContentWhole) {
  test_support::TempWorkingDir dir;
  const BigProfile profile = big_profile();
  const std::string short_value = "old";
  const std::string long_value(5000, 'n');
  const std::string short_content = profile.with(short_value);
  const std::string long_content = profile.with(long_value);
  write_bytes("big.ini", short_content);

  // How long one rewrite takes here, so the kills spread over a few of them.
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(runtime::profile_write("big.ini", "Target", "Value", long_value));
  ASSERT_TRUE(runtime::profile_write("big.ini", "Target", "Value", short_value));
  const auto one_write = (std::chrono::steady_clock::now() - start) / 2;
  ASSERT_EQ(read_bytes("big.ini"), short_content);

  // The kill moments come from this seed; KESTREL_KILL_SEED replays one.
  const char* const given = std::getenv("KESTREL_KILL_SEED");
  const unsigned seed = given != nullptr ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                                         : std::random_device{}();
  std::mt19937 random(seed);
  std::uniform_int_distribution<long long> delay_us(
      0, std::chrono::duration_cast<std::chrono::microseconds>(one_write).count() * 3);
  SCOPED_TRACE("kill moments from KESTREL_KILL_SEED=" + std::to_string(seed));

  // At least 60 kills, and more (up to 400) until 6 of them have landed
  // inside a write: how many do depends on how busy the machine is.
  constexpr int least_kills = 60;
  constexpr int most_kills = 400;
  constexpr int least_mid_write = 6;
  std::vector<std::string> left;  // the temporaries after the last kill
  int mid_write = 0;  // kills that left a temporary file: the rename had not happened
  int kills = 0;
  while (kills < most_kills && (kills < least_kills || mid_write < least_mid_write)) {
    const int kill = ++kills;
    Child writer([&](int signal_fd) {
      if (::write(signal_fd, "s", 1) != 1) return 2;
      for (int i = 0;; ++i) {
        if (!runtime::profile_write("big.ini", "Target", "Value", i % 2 ? short_value : long_value)) return 3;
      }
    });
    ASSERT_TRUE(writer.started());
    ASSERT_TRUE(writer.next_signal());
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    writer.kill();

    ASSERT_EQ(neither_of(read_bytes("big.ini"), short_content, long_content), "") << "kill " << kill;
    ASSERT_GE(stale_temporaries("big.ini"), 0) << "a file that is not the writer's turned up";
    // The writer's first write may have removed the leftovers of earlier
    // kills; what is new is this kill's.
    std::vector<std::string> now = entries();
    now.erase(std::remove(now.begin(), now.end(), "big.ini"), now.end());
    const auto added = std::count_if(now.begin(), now.end(), [&left](const std::string& name) {
      return std::find(left.begin(), left.end(), name) == left.end();
    });
    ASSERT_LE(added, 1) << "more than one temporary file left by one kill";
    mid_write += static_cast<int>(added);
    left = now;
  }
  std::cout << "[          ] " << mid_write << " of " << kills << " kills landed before the rename\n";
  // The kills did land inside writes, or the test proved nothing.
  EXPECT_GE(mid_write, least_mid_write);

  // The killed writers' lock went with them, and the next write removes
  // their leftovers.
  ASSERT_TRUE(runtime::profile_write("big.ini", "Target", "Value", "final"));
  EXPECT_EQ(read_bytes("big.ini"), profile.with("final"));
  EXPECT_EQ(runtime::profile_read("big.ini", "Target", "Value", "-"), "final");
  EXPECT_EQ(stale_temporaries("big.ini"), 0);
}

// Kills the operation before each of its system calls in turn, until it
// runs to its end before the call it was to be killed at, and checks the
// file after each kill; the setup runs before every kill. (How many calls
// an operation makes is not fixed: the heap may have to grow, or not.)
void kill_at_each_system_call(const std::function<void()>& setup, const std::function<void()>& operation,
                              const std::function<void(int kill_at)>& check) {
  int kill_at = 1;
  for (;; ++kill_at) {
    SCOPED_TRACE("killed before system call " + std::to_string(kill_at));
    setup();
    const int entered = kill_at_system_call(operation, kill_at);
    ASSERT_GT(entered, 0) << "the child could not be traced";
    if (entered < kill_at) break;  // it ended first
    check(kill_at);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(kill_at, 5) << "too few system calls: the child was not traced from the start";
}

void remove_all_but(const std::string& keep) {
  for (const std::string& name : entries()) {
    if (name != keep) fs::remove(name);
  }
}

TEST(KillAtEverySystemCall, EditOfAnExistingFileLeavesTheOldOrTheNewFile) {
  test_support::TempWorkingDir dir;
  const std::string old_content = "; kept\r\n[s]\r\nk=old\r\nother=1\r\n";
  const std::string new_content = "; kept\r\n[s]\r\nk=new\r\nother=1\r\n";
  int saw_old = 0, saw_new = 0, saw_stale = 0;
  kill_at_each_system_call(
      [&] {
        remove_all_but("");
        write_bytes("p.ini", old_content);
      },
      [] { runtime::profile_write("p.ini", "s", "k", "new"); },
      [&](int) {
        const std::string now = read_bytes("p.ini");
        ASSERT_EQ(neither_of(now, old_content, new_content), "");
        const int stale = stale_temporaries("p.ini");
        ASSERT_GE(stale, 0);
        ASSERT_LE(stale, 1);
        saw_old += now == old_content;
        saw_new += now == new_content;
        saw_stale += stale;
        // The next write removes what the killed one left.
        ASSERT_TRUE(runtime::profile_write("p.ini", "s", "other", "2"));
        ASSERT_EQ(stale_temporaries("p.ini"), 0);
      });
  // Kills landed before the write, between the temporary file and the
  // rename, and after the rename.
  EXPECT_GT(saw_old, 0);
  EXPECT_GT(saw_new, 0);
  EXPECT_GT(saw_stale, 0);
}

TEST(KillAtEverySystemCall, CreationOfAMissingFileLeavesNoFileOrTheWholeFile) {
  test_support::TempWorkingDir dir;
  int saw_none = 0, saw_whole = 0;
  kill_at_each_system_call([] { remove_all_but(""); },
                           [] { runtime::profile_write("p.ini", "Update", "Version", "2.22"); },
                           [&](int) {
                             if (!fs::exists("p.ini")) {
                               ++saw_none;
                             } else {
                               ASSERT_EQ(read_bytes("p.ini"), "[Update]\r\nVersion=2.22\r\n");
                               ++saw_whole;
                             }
                             ASSERT_GE(stale_temporaries("p.ini"), 0);
                             ASSERT_LE(stale_temporaries("p.ini"), 1);
                             ASSERT_TRUE(runtime::profile_write("p.ini", "Update", "URL", "u"));
                             ASSERT_EQ(stale_temporaries("p.ini"), 0);
                           });
  EXPECT_GT(saw_none, 0);
  EXPECT_GT(saw_whole, 0);
}

// The file that create mode makes at 2024-03-02 09:05:07 for the four
// values that differ between the configs here (the others are
// "MSS", "(local)", "sa" and empty).
std::string created_file(const std::string& program, const std::string& url, const std::string& version,
                         const std::string& database) {
  return expected_files::created_config(
      {.program = program, .url = url, .version = version, .dbms = "MSS", .database = database});
}

// Create mode writes its lines to a staging file that takes the name only
// once it is whole: a kill at any point leaves no file or the whole one,
// and at most one leftover staging file.
TEST(KillAtEverySystemCall, CreateModeLeavesNoFileOrTheWholeFile) {
  test_support::TempWorkingDir dir;
  const files::ClientConfig config{"Sales.exe", "http://example.com/Update.txt", "1.5", "MSS", "(local)",
                                   "sales", "sa", "", ""};
  runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  ASSERT_TRUE(files::write_client_config(config, true));
  const std::string whole = read_bytes(files::client_config_file);
  ASSERT_EQ(whole, created_file("Sales.exe", "http://example.com/Update.txt", "1.5", "sales"));
  int saw_none = 0, saw_whole = 0;
  int saw_stale = 0;
  kill_at_each_system_call([] { remove_all_but(""); }, [&] { files::write_client_config(config, true); },
                           [&](int) {
                             const bool exists = fs::exists(files::client_config_file);
                             if (exists) {
                               ASSERT_EQ(read_bytes(files::client_config_file), whole);
                               ++saw_whole;
                             } else {
                               ++saw_none;
                             }
                             const int stale = stale_temporaries(files::client_config_file);
                             ASSERT_GE(stale, 0);
                             ASSERT_LE(stale, 1);
                             saw_stale += stale;
                             // The next generation, in the mode the form picks, removes the leftover.
                             ASSERT_TRUE(files::write_client_config(config, !exists));
                             ASSERT_EQ(stale_temporaries(files::client_config_file), 0);
                           });
  runtime::reset_clock();
  EXPECT_GT(saw_none, 0);
  EXPECT_GT(saw_whole, 0);
  EXPECT_GT(saw_stale, 0);
}

// A create-mode writer held just before its staging file takes the name:
// two writes of the same file by another process meanwhile leave its
// staging file alone, and once let go it appends its lines to the file that
// has the name by then, as an appending open would have.
TEST(StaleTemporaries, OneHeldByARunningWriterSurvivesOtherWrites) {
  test_support::TempWorkingDir dir;
  runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  const files::ClientConfig theirs{"Theirs.exe", "http://a/Update.txt", "1.0", "MSS", "(local)", "a", "sa", "", ""};
  const files::ClientConfig ours{"Ours.exe", "http://b/Update.txt", "2.0", "MSS", "(local)", "b", "sa", "", ""};
  const std::string expected = created_file("Ours.exe", "http://b/Update.txt", "2.0", "b") +
                               created_file("Theirs.exe", "http://a/Update.txt", "1.0", "a");
  TracedChild writer([&] { ::_exit(files::write_client_config(theirs, true) ? 0 : 3); });
  ASSERT_TRUE(writer.started()) << "the child could not be traced";
  ASSERT_TRUE(writer.run_until([](const SystemCall& call) {
    return gives_a_name(call) && call.paths[1] == files::client_config_file;
  }));
  ASSERT_EQ(stale_temporaries(files::client_config_file), 1);
  ASSERT_TRUE(files::write_client_config(ours, true));
  ASSERT_TRUE(files::write_client_config(ours, false));
  EXPECT_EQ(stale_temporaries(files::client_config_file), 1) << "a staging file in use was removed";
  EXPECT_EQ(writer.finish(), 0);
  EXPECT_EQ(read_bytes(files::client_config_file), expected);
  EXPECT_EQ(stale_temporaries(files::client_config_file), 0);
  runtime::reset_clock();
}

}  // namespace
}  // namespace robustness
