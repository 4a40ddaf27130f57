// kestrel-cli.exe verify, through WinINet, against the test web server
// (tests/support/release_server.py) that scripts/test-windows starts on
// 127.0.0.1 beside Wine: it names the server's address in
// KESTREL_RELEASE_SERVER and the folder it serves in KESTREL_RELEASE_ROOT.
// Built everywhere, run on Windows only.
#ifdef _WIN32

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "support/archives.h"
#include "support/temp_dir.h"

namespace {

using test_support::write_bytes;

const std::string zip_package = test_support::zip_archive({{"Sales.exe", "the program of release 2.3"}});

// The served folder as the working directory of one test, emptied first.
class ServedFolder {
 public:
  ServedFolder() {
    const char* root = std::getenv("KESTREL_RELEASE_ROOT");
    const char* server = std::getenv("KESTREL_RELEASE_SERVER");
    if (!root || !server) return;
    server_ = server;
    for (const auto& entry : std::filesystem::directory_iterator(root)) std::filesystem::remove_all(entry);
    std::filesystem::current_path(root);
  }
  ~ServedFolder() {
    if (!server_.empty()) std::filesystem::current_path(previous_);
  }
  ServedFolder(const ServedFolder&) = delete;
  ServedFolder& operator=(const ServedFolder&) = delete;

  bool ready() const { return !server_.empty(); }
  std::string url(const std::string& path) const { return server_ + path; }

 private:
  std::filesystem::path previous_ = std::filesystem::current_path();
  std::string server_;
};

TEST(VerifyOnWindows, TheCorrectReleasePassesAStaleDescriptorFailsASilentServerTimesOut) {
  ServedFolder served;
  if (!served.ready()) GTEST_SKIP() << "no test web server (scripts/test-windows starts one)";
  write_bytes("sales.zip", zip_package);
  // The release before, as a cache still serves it.
  write_bytes("Old.txt", "[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\nURL=" + served.url("release/sales.zip") +
                             "\r\nNote=Report printing fixed\r\n");
  const struct {
    const char* what;
    std::string descriptor;
    std::vector<std::string> more;
    int status;
    std::vector<std::string> seen;
  } cases[] = {
      {"the correct release", "release/Update.txt", {"--package", "sales.zip"}, 0,
       {"ok   descriptor: " + served.url("release/Update.txt") + ": 200", "ok   descriptor matches",
        "ok   package: " + served.url("release/sales.zip") + ": a zip archive of " + std::to_string(zip_package.size()) + " bytes",
        "ok   package contents: sales.zip: a zip archive, 1 entry, 26 bytes unpacked", "equal to sales.zip",
        "the clients will receive this release"}},
      {"a stale descriptor", "stale/Old.txt", {}, 3,
       {"FAIL descriptor matches: Version: served 2.22, local Update.txt 2.3", "cache header Age: 3600",
        "cache header ETag: \"old-release\""}},
      // WinINet's pending call ends at the deadline (Wine differs: its own
      // receive timeout, set to the same time, ends it).
      {"a server that never answers", "silent/Update.txt", {"--timeout", "1"}, 1,
       {"no whole answer within the timeout", "the live release could not be checked"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CliResult made = run_cli({"generate", "--update-url", served.url(c.descriptor), "--program", "Sales.exe",
                                    "--program-version", "2.2", "--latest-version", "2.3", "--date", "2024-03-02",
                                    "--package-url", served.url("release/sales.zip"), "--note",
                                    "Report printing fixed"});
    ASSERT_EQ(made.status, 0) << made.err;
    std::vector<std::string> args = {"verify"};
    args.insert(args.end(), c.more.begin(), c.more.end());
    const CliResult run = run_cli(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    for (const std::string& piece : c.seen) EXPECT_NE(run.out.find(piece), std::string::npos) << piece << "\n" << run.out;
  }
}

}  // namespace

#endif
