// kestrel-cli.exe publish, through WinINet, onto the FTP server and into the
// folder that scripts/test-windows starts beside Wine: the web server
// (KESTREL_RELEASE_SERVER) serves the folder KESTREL_RELEASE_ROOT, into which
// the FTP server (KESTREL_PUBLISH_FTP, password in KESTREL_PUBLISH_PASSWORD)
// writes. Built everywhere, run on Windows only. A share (\\server\share)
// is a folder target as any other; Wine has none to try.
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

namespace fs = std::filesystem;
using test_support::read_bytes;
using test_support::write_bytes;

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

TEST(PublishOnWindows, OverFtpAndToAFolderTheReleaseGoesLiveAndSftpNamesTheLinuxBuild) {
  const std::string server = variable("KESTREL_RELEASE_SERVER"), ftp = variable("KESTREL_PUBLISH_FTP");
  const fs::path root = variable("KESTREL_RELEASE_ROOT");
  if (server.empty() || ftp.empty()) GTEST_SKIP() << "no test servers (scripts/test-windows starts them)";
  for (const auto& entry : fs::directory_iterator(root)) fs::remove_all(entry);
  const fs::path work = root / "work";  // the local files; the served ones lie in the root
  fs::create_directories(work);
  const struct {
    const char* what;
    std::string to;
    std::string password;
    int status;
    std::string said;
  } cases[] = {
      {"to a folder", root.string(), "", 0, "the release is live and verified"},
      {"over FTP", ftp, variable("KESTREL_PUBLISH_PASSWORD"), 0, "the release is live and verified"},
      {"over FTP with a wrong password", ftp, "wrong", 1, "step 2 (package) failed"},
      {"over SFTP", "sftp://127.0.0.1/srv/", "", 2, "publish with the Linux build of kestrel-cli"},
  };
  int round = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string version = "3." + std::to_string(round++);
    const std::string package = "sales-" + version + ".zip";
    write_bytes(work / package, test_support::zip_archive({{"Sales.exe", "the program of release " + version}}));
    const CliResult made = run_cli({"generate", "--update-url", server + "release/Update.txt", "--program",
                                    "Sales.exe", "--program-version", "3.0", "--latest-version", version, "--date",
                                    "2024-03-02", "--package-url", server + "release/" + package, "--note", "Fixes"},
                                   {}, {}, work.string());
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string live = fs::exists(root / "Update.txt") ? read_bytes(root / "Update.txt") : "";
    const CliResult run = run_cli({"publish", "--to", c.to, "--password-env", "PUBLISH_PASSWORD"}, {},
                                  {{"PUBLISH_PASSWORD", c.password}}, work.string());
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << run.out << run.err;
    const std::string expected = c.status == 0 ? read_bytes(work / "Update.txt") : live;
    EXPECT_EQ(fs::exists(root / "Update.txt") ? read_bytes(root / "Update.txt") : "", expected);
    if (c.status == 0) {
      EXPECT_TRUE(read_bytes(root / package) == read_bytes(work / package));
    }
    for (const auto& entry : fs::directory_iterator(root))
      EXPECT_EQ(entry.path().filename().string().find(".kestrel-"), std::string::npos) << entry.path();
    if (!c.password.empty()) {
      EXPECT_EQ((run.out + run.err).find(c.password), std::string::npos);
    }
  }
}

}  // namespace

#endif
