// kestrel-cli inspect run as a script runs it, on packages the test makes,
// against the release in the working directory: each verdict's lines and
// exit status, and the JSON object. On Linux, and as kestrel-cli.exe under
// Wine in code page 936.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"
#include "support/archives.h"
#include "support/temp_dir.h"

namespace {

using test_support::ZipEntry;
using test_support::write_bytes;

const ZipEntry program{"Sales.exe", "the program of release 2.3"};
const std::string gbk_report("\xB1\xA8\xB1\xED.dll", 8);  // 报表.dll in GBK, as a Chinese Windows stores it

class Inspect : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir;

  void release() {
    const CliResult made = run_cli({"generate", "--update-url", "http://example.com/update/Update.txt", "--program",
                                    "Sales.exe", "--program-version", "2.2", "--latest-version", "2.3", "--date",
                                    "2024-03-02", "--package-url", "http://example.com/update/Sales-2.23.zip"});
    ASSERT_EQ(made.status, 0) << made.err;
  }
};

TEST_F(Inspect, EachPackageGivesItsVerdictAndExitStatus) {
  release();
  const struct {
    const char* what;
    std::string archive;
    int status;
    std::vector<std::string> seen;  // each in what it printed
  } cases[] = {
      {"a good package", test_support::zip_archive({program, {gbk_report, "dll"}, {"UpdateSQL.txt", "UPDATE t;"}}), 0,
       {"ok   package contents: Sales-2.23.zip: a zip archive, 3 entries, 38 bytes unpacked\n",
        "the clients will unpack this package as intended\n"}},
      {"the build folder zipped",
       test_support::zip_archive({{"Sales2.23/", "", false, ZipEntry::folder}, {"Sales2.23/Sales.exe", "MZ"}}), 3,
       {"FAIL package contents: Sales-2.23.zip: a zip archive, 2 entries",
        "     every entry lies under the folder Sales2.23/", "the package would not install as intended\n"}},
      {"a UTF-8 name without the flag", test_support::zip_archive({program, {"报表.txt", "x"}}), 3,
       {"     报表.txt: stored as UTF-8 without the UTF-8 flag; the client reads it as GBK and writes 鎶ヨ〃.txt\n"}},
      {"the update client in the package", test_support::zip_archive({program, {"Wrenlet.exe", "MZ"}}), 0,
       {"ok   package contents", "warning: Wrenlet.exe: in use by the update client"}},
      {"a rar behind a zip address", test_support::rar5_archive({{"Sales.exe", "MZ"}}), 3,
       {"     a rar archive, but the package address ends in .zip\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    write_bytes("Sales-2.23.zip", c.archive);
    const CliResult run = run_cli({"inspect", "Sales-2.23.zip"});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    for (const std::string& piece : c.seen) EXPECT_NE(run.out.find(piece), std::string::npos) << piece << "\n" << run.out;
  }
}

TEST_F(Inspect, JsonListsEntriesAsTheClientWritesThem) {
  release();
  // A name without the flag read as GBK; a flagged one of Latin letters
  // written as it is, not as the GBK its bytes also are (caf茅.txt).
  write_bytes("Sales-2.23.zip", test_support::zip_archive({program, {gbk_report, "dll"}, {"café.txt", "c", true}}));
  const CliResult run = run_cli({"inspect", "--json", "Sales-2.23.zip"});
  EXPECT_EQ(run.status, 0) << run.err;
  const nlohmann::json object = nlohmann::json::parse(run.bytes_out);
  EXPECT_EQ(object["status"], "passed");
  EXPECT_EQ(object["exit_status"], 0);
  ASSERT_EQ(object["checks"].size(), 1u);
  EXPECT_EQ(object["checks"][0]["name"], "package contents");
  EXPECT_EQ(object["warnings"].size(), 0u);
  EXPECT_EQ(object["entries"], nlohmann::json::parse(R"([{"name": "Sales.exe", "size": 26},
                                                         {"name": "报表.dll", "size": 3},
                                                         {"name": "café.txt", "size": 1}])"));
}

TEST_F(Inspect, WhatCannotBeReadGivesOneAndAWrongCommandLineTwo) {
  write_bytes("Sales-2.23.zip", test_support::zip_archive({program}));
  const CliResult no_release = run_cli({"inspect", "Sales-2.23.zip"});
  EXPECT_EQ(no_release.status, 1);
  EXPECT_EQ(no_release.err.rfind("kestrel-cli: UpdateConfig.ini: ", 0), 0u) << no_release.err;
  release();
  const CliResult missing = run_cli({"inspect", "missing.zip"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("kestrel-cli: missing.zip: ", 0), 0u) << missing.err;
  EXPECT_EQ(run_cli({"inspect", "."}).status, 1);  // a folder
  EXPECT_EQ(run_cli({"inspect"}).status, 2);
  EXPECT_EQ(run_cli({"inspect", "a.zip", "b.zip"}).status, 2);
}

}  // namespace
