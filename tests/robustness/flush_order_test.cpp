// The new content reaches the disk before it takes the file's name. Were
// the rename (or link) first, a power cut could leave the name on a file
// whose bytes never got to the disk: empty, or cut short. Kills do not show
// this (the kernel keeps what a killed process wrote), so the system calls
// of each writer are recorded and their order checked.
#include <sys/syscall.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/text/datetime.h"
#include "runtime/files/profile.h"
#include "support/temp_dir.h"
#include "system_calls.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;

bool is_one_of(const SystemCall& call, std::initializer_list<long> numbers) {
  for (const long number : numbers) {
    if (call.number == number) return true;
  }
  return false;
}

bool opens(const SystemCall& call) {
#ifdef SYS_open
  if (call.number == SYS_open) return true;
#endif
  return call.number == SYS_openat;
}

// "" when the new file that took `target`'s name (a "<target>.kestrel-"
// file) was flushed after its last write and before the call that named it;
// else what went wrong.
std::string flushed_before_named(const std::vector<SystemCall>& calls, const std::string& target) {
  const std::string prefix = target + ".kestrel-";
  std::string temp;  // the last such file opened
  long long fd = -1;
  bool flushed = false;
  for (const SystemCall& call : calls) {
    const auto on_fd = [&] { return fd >= 0 && static_cast<long long>(call.args[0]) == fd; };
    if (opens(call) && call.paths[0].rfind(prefix, 0) == 0 && call.returned && call.result >= 0) {
      temp = call.paths[0];
      fd = call.result;
      flushed = false;
    } else if (is_one_of(call, {SYS_write, SYS_pwrite64, SYS_writev, SYS_pwritev, SYS_ftruncate}) && on_fd()) {
      flushed = false;
    } else if (is_one_of(call, {SYS_fsync, SYS_fdatasync}) && on_fd() && call.returned && call.result == 0) {
      flushed = true;
    } else if (call.number == SYS_close && on_fd()) {
      fd = -1;  // the number may stand for another file from here on
    } else if (gives_a_name(call) && !temp.empty() && call.paths[0] == temp && call.paths[1] == target) {
      return flushed ? "" : "the new file took the name before it was flushed";
    }
  }
  return "no new file took the name";
}

TEST(FlushOrder, EveryWriterFlushesTheNewFileBeforeItTakesTheName) {
  test_support::TempWorkingDir dir;
  runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  const files::ClientConfig config{"Sales.exe", "http://example.com/Update.txt", "1.5", "MSS", "(local)",
                                   "sales", "sa", "", ""};
  const files::UpdateDescriptor descriptor{"2.22", "2024-03-02", "http://example.com/sales.rar", "fixed"};
  struct Writer {
    const char* what;
    const char* target;
    bool existing;
    std::function<void()> write;
  };
  const Writer writers[] = {
      {"edit of a key", "p.ini", true, [] { runtime::profile_write("p.ini", "s", "k", "new"); }},
      {"creation of a file", "p.ini", false, [] { runtime::profile_write("p.ini", "s", "k", "new"); }},
      {"edit of several keys", "p.ini", true,
       [] {
         runtime::profile_update("p.ini", [](runtime::ProfileText& text) {
           text.write("s", "k", "new");
           text.write("s", "j", "2");
         });
       }},
      {"UpdateConfig.ini in create mode", files::client_config_file, false,
       [&] { files::write_client_config(config, true); }},
      {"Update.txt in create mode", files::update_descriptor_file, false,
       [&] { files::write_update_descriptor(descriptor, true); }},
  };
  for (const Writer& writer : writers) {
    SCOPED_TRACE(writer.what);
    fs::remove(writer.target);
    if (writer.existing) test_support::write_bytes(writer.target, "[s]\r\nk=old\r\n");
    TracedChild child(writer.write);
    ASSERT_TRUE(child.started()) << "the child could not be traced";
    EXPECT_EQ(child.finish(), 0);
    EXPECT_TRUE(fs::exists(writer.target));
    EXPECT_EQ(flushed_before_named(child.calls(), writer.target), "");
  }
  runtime::reset_clock();
}

}  // namespace
}  // namespace robustness
