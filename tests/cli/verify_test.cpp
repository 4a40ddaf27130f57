// kestrel-cli verify against a real web server on 127.0.0.1
// (tests/support/release_server.py): each kind of answer, good and bad,
// gives its verdict and exit status, within the timeout. The same table
// runs against kestrel-cli through libcurl and kestrel-cli.exe through
// WinINet under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/archives.h"
#include "support/release_server.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

using Args = std::vector<std::string>;
using test_support::write_bytes;

const std::string zip_package = test_support::zip_archive({{"Sales.exe", "the program of release 1.10"}});
const std::string other_zip_package = test_support::zip_archive({{"Sales.exe", "the program of release 1.09"}});
// The build folder zipped instead of its contents.
const std::string wrapped_package = test_support::zip_archive(
    {{"Sales2.23/", "", false, test_support::ZipEntry::folder}, {"Sales2.23/Sales.exe", "the program of release 1.10"}});

class Verify : public ::testing::Test {
 protected:
  test_support::ReleaseServer server;

  void SetUp() override {
    if (!server.ready()) GTEST_SKIP() << "no test web server (on Windows scripts/test-windows starts one)";
    write_bytes("sales.zip", zip_package);
    write_bytes("other.zip", other_zip_package);
    write_bytes("wrapped.zip", wrapped_package);
  }

  // The local files of release 1.10 for clients of 1.9, the descriptor at
  // `descriptor`, the package at `package` (paths on the server); and the
  // copy a cache kept from the release before, Old.txt.
  void release(const std::string& descriptor_url, const std::string& package) {
    const CliResult made = run_cli({"generate", "--update-url", descriptor_url, "--program", "Sales.exe",
                                    "--program-version", "1.9", "--latest-version", "1.10", "--date", "2024-03-02",
                                    "--package-url", server.url(package), "--note", "Report printing fixed"});
    ASSERT_EQ(made.status, 0) << made.err;
    write_bytes("Old.txt", "[Update]\r\nVersion=1.09\r\nDate=2024-03-02\r\nURL=" + server.url(package) +
                               "\r\nNote=Report printing fixed\r\n");
  }
};

struct Case {
  const char* what;
  std::string descriptor;  // its path on the server; "refused" for the port that refuses
  std::string package;
  Args more;
  int status;
  std::vector<std::string> seen;  // each in what it printed
  std::vector<std::string> wininet_seen = {};  // where WinINet reads the answer otherwise
  const char* wine_differs = nullptr;  // why the row is not run under Wine
};

TEST_F(Verify, EachKindOfAnswerGivesItsVerdict) {
  const std::string ok = "release/sales.zip";
  const std::vector<Case> cases = {
      {"the correct release", "release/Update.txt", ok, {"--package", "sales.zip"}, 0,
       {"ok   descriptor: " + server.url("release/Update.txt") + ": 200", "ok   descriptor matches",
        "ok   package: " + server.url(ok) + ": a zip archive of " + std::to_string(zip_package.size()) +
            " bytes, SHA-256 ",
        "equal to sales.zip", "ok   package contents: sales.zip: a zip archive, 1 entry, 27 bytes unpacked\n",
        "warning: the served newest version 1.10 is less than the installed version 1.9",
        "the clients will receive this release"}},
      {"moved for good", "moved/Update.txt", ok, {}, 0,
       {"redirect: " + server.url("moved/Update.txt") + " -> 301 -> " + server.url("release/Update.txt")}},
      {"a stale descriptor", "stale/Old.txt", ok, {}, 3,
       {"FAIL descriptor matches: Version: served 1.09, local Update.txt 1.10", "cache header Age: 3600",
        "cache header Cache-Control: public, max-age=86400", "cache header ETag: \"old-release\"",
        "cache header Last-Modified: ", "cache header Expires: "}},
      {"no descriptor uploaded", "missing/Update.txt", ok, {}, 3, {"FAIL descriptor: ", "answered 404, not 200"}},
      {"a login page with 200", "login/Update.txt", ok, {}, 3, {"an HTML page (Content-Type: text/html"}},
      {"a redirect loop", "loop/Update.txt", ok, {}, 3, {"one more redirect after 5"}},
      {"an endless body", "endless/Update.txt", ok, {}, 3, {"larger than 1 MB"}},
      {"endless headers", "endless-headers/Update.txt", ok, {}, 3, {"the connection broke"}, {},
       "Wine's WinINet reads headers without end into memory, and its pending call goes on after the handles are "
       "closed at the deadline; Windows ends the pending call"},
      {"a reset connection", "reset/Update.txt", ok, {}, 3, {"the connection broke"}},
      // WinINet takes bytes without a status line for an HTTP/0.9 answer, all
      // of them body, as a client asking through it reads them.
      {"no HTTP answer", "garbage/Update.txt", ok, {}, 3, {"no HTTP answer"},
       {"FAIL descriptor: ", "no Version, Date, URL, Note in section [Update] as the client reads it"}},
      {"a refused connection", "refused", ok, {}, 1, {"refused", "the live release could not be checked"}},
      // WinINet's pending call ends at the deadline (Wine differs: its own
      // receive timeout, set to the same time, ends it).
      {"a server that never answers", "silent/Update.txt", ok, {"--timeout", "1"}, 1, {"no whole answer within the timeout"}},
      {"another package uploaded", "release/Update.txt", ok, {"--package", "other.zip"}, 3,
       {"FAIL package: ", "other.zip has "}},
      {"a package without end", "release/Update.txt", "endless/sales.zip", {"--package", "sales.zip"}, 3,
       {"FAIL package: "}},
      // Addresses and served values reach the terminal as the text they are.
      {"a Chinese package address not uploaded", "release/Update.txt", "missing/销售-2.23.zip", {}, 3,
       {"FAIL package: " + server.url("missing/销售-2.23.zip") + " answered 404, not 200\n"}},
      {"a package address holding a blank", "release/Update.txt", "release/sales 2.zip", {}, 3,
       {"FAIL package: the served descriptor's URL " + server.url("release/sales 2.zip") +
        " holds a blank: no client can ask for it as written\n"}},
      {"a package wrapped in a folder", "release/Update.txt", "release/wrapped.zip", {"--package", "wrapped.zip"}, 3,
       {"ok   package: ", "FAIL package contents: wrapped.zip: a zip archive, 2 entries",
        "     every entry lies under the folder Sales2.23/: the client unpacks them into Sales2.23\\ and the "
        "installed program stays as it was\n",
        "the live release differs from the local files or is broken"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.wine_differs && under_wine()) {
      std::cout << "[ WINE     ] not run: " << c.what << ": " << c.wine_differs << "\n";
      continue;
    }
    release(c.descriptor == "refused" ? server.refused_url("Update.txt") : server.url(c.descriptor), c.package);
    Args args = {"verify"};
    args.insert(args.end(), c.more.begin(), c.more.end());
    const CliResult run = run_cli(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    const auto& seen = asks_through_wininet() && !c.wininet_seen.empty() ? c.wininet_seen : c.seen;
    for (const std::string& piece : seen) EXPECT_NE(run.out.find(piece), std::string::npos) << piece << "\n" << run.out;
  }
}

TEST_F(Verify, JsonGivesEachCheckAndTheWarnings) {
  release(server.url("stale/Old.txt"), "release/sales.zip");
  const CliResult run = run_cli({"verify", "--json"});
  EXPECT_EQ(run.status, 3);
  const nlohmann::json object = nlohmann::json::parse(run.bytes_out);
  EXPECT_EQ(object["status"], "failed");
  EXPECT_EQ(object["exit_status"], 3);
  ASSERT_EQ(object["checks"].size(), 3u);
  EXPECT_EQ(object["checks"][0]["name"], "descriptor");
  EXPECT_EQ(object["checks"][0]["ok"], true);
  EXPECT_EQ(object["checks"][1]["name"], "descriptor matches");
  EXPECT_EQ(object["checks"][1]["ok"], false);
  EXPECT_EQ(object["checks"][1]["details"].get<std::string>().substr(0, 44),
            "Version: served 1.09, local Update.txt 1.10\n");
  EXPECT_EQ(object["checks"][2]["name"], "package");
  ASSERT_EQ(object["warnings"].size(), 1u);
  EXPECT_EQ(object["warnings"][0].get<std::string>().substr(0, 40), "the served newest version 1.09 is less t");
}

// A cache that catches up after the first round: --wait repeats until it passes.
TEST_F(Verify, WaitRepeatsUntilTheChecksPass) {
  release(server.url("catching-up/1/Update.txt"), "release/sales.zip");
  const CliResult run = run_cli({"verify", "--wait", "60"});
  EXPECT_EQ(run.status, 0) << run.out;
  const auto second = run.out.find("round 2:\n");
  ASSERT_NE(second, std::string::npos) << run.out;
  EXPECT_NE(run.out.substr(0, second).find("FAIL descriptor matches: Version: served 1.09"), std::string::npos);
  EXPECT_NE(run.out.substr(second).find("ok   descriptor matches"), std::string::npos);
  EXPECT_EQ(run.out.find("round 3:"), std::string::npos);
}

#ifndef _WIN32
// Each round reaches a pipe as it ends, while verify still waits: here for
// an answer to the second round that never comes, so the first round can
// only have arrived through the pipe while verify runs. (kestrel-cli.exe
// writes each text with WriteFile, past any buffer.)
TEST_F(Verify, EachRoundReachesAPipeWhileVerifyWaits) {
  release(server.url("falling-silent/1/Old.txt"), "release/sales.zip");
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const std::string program = test_support::program_beside_this_one("kestrel-cli");
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::execl(program.c_str(), program.c_str(), "verify", "--wait", "86400", "--timeout", "86400", nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  FILE* pipe = ::fdopen(out[0], "r");
  std::string first_round;
  char line[4096];
  while (!first_round.ends_with("the live release differs from the local files or is broken\n") &&
         std::fgets(line, sizeof line, pipe))
    first_round += line;
  int status = 0;
  EXPECT_EQ(::waitpid(child, &status, WNOHANG), 0);
  EXPECT_TRUE(first_round.starts_with("round 1:\nok   descriptor: ")) << first_round;
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  std::fclose(pipe);
}
#endif

TEST_F(Verify, WithoutTheLocalFilesNothingIsChecked) {
  // The system's words for a missing file follow its name.
  const auto names_missing = [](const std::string& err, const std::string& name) {
    const std::string words = missing_file_words();
    const std::string start = "kestrel-cli: " + name + ": ";
    return words.empty() ? err.starts_with(start) && err.size() > start.size() + 1 && err.ends_with("\n")
                         : err == start + words + "\n";
  };
  const CliResult run = run_cli({"verify"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(names_missing(run.err, "UpdateConfig.ini")) << run.err;
  release(server.url("release/Update.txt"), "release/sales.zip");
  const CliResult no_package = run_cli({"verify", "--package", "sales.rar"});
  EXPECT_EQ(no_package.status, 1);
  EXPECT_TRUE(names_missing(no_package.err, "--package sales.rar")) << no_package.err;
  EXPECT_EQ(run_cli({"verify", "--timeout", "0"}).status, 2);
  EXPECT_EQ(run_cli({"verify", "--wait", "soon"}).status, 2);
}

}  // namespace
