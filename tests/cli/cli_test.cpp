// kestrel-cli as a script runs it: a separate process in a working
// directory, its exit status, what it prints and the files it leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"
#include "runtime/text/gbk.h"
#include "support/expected_files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using test_support::read_bytes;
using test_support::timeless;
using test_support::write_bytes;
using Args = std::vector<std::string>;

const Args release_2_22 = {"generate", "--update-url", "http://example.com/update/Update.txt", "--program",
                           "Sales.exe", "--program-version", "1.5", "--latest-version", "2.22", "--date",
                           "2024-03-02", "--package-url", "http://example.com/update/sales.rar"};

Args with(Args args, const Args& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The closing report for release_2_22 (UTF-8); kestrel-cli prints its lines each ended by LF.
const std::string report =
    expected_files::closing_report_utf8("http://example.com/update/Update.txt", "http://example.com/update/sales.rar");
const std::string report_lines = expected_files::closing_report_utf8("http://example.com/update/Update.txt",
                                                                     "http://example.com/update/sales.rar", "\n") +
                                 "\n";

const std::string created_descriptor = expected_files::created_descriptor({.note = ""});

// UpdateConfig.ini as created for release_2_22, its time of writing as "@".
const std::string created_config = expected_files::created_config({.last_update = "@", .database = ""});

class Cli : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir;
  static std::string file(const char* name) { return read_bytes(name); }
  static bool present(const char* name) { return fs::exists(name); }
};

TEST_F(Cli, FirstRunCreatesBothFilesAndPrintsTheReport) {
  const CliResult run = run_cli(release_2_22);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, report_lines);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(file("Update.txt"), created_descriptor);
  EXPECT_EQ(timeless(file("UpdateConfig.ini")), created_config);
}

// Each way a run can end, with the exact message and the files it leaves.
TEST_F(Cli, EachExitStatusWithItsMessage) {
  struct Case {
    const char* what;
    Args args;
    int status;
    std::string err;        // the whole of standard error; "" when only its start matters
    std::string err_start;  // or the start of it
    bool descriptor_written;
  };
  const Case cases[] = {
      {"no command", {}, 2,
       "kestrel-cli: a command is required; the commands: show, generate, verify, inspect, publish "
       "(kestrel-cli --help)\n", "", false},
      {"unknown command", {"-C", ".", "version"}, 2,
       "kestrel-cli: version is not a command; the commands: show, generate, verify, inspect, publish "
       "(kestrel-cli --help)\n", "", false},
      {"unknown option", {"generate", "--version-of-the-program", "1"}, 2, "", "The following argument", false},
      {"empty form", {"generate"}, 2, "kestrel-cli: --update-url (更新地址): 请输入更新地址！\n", "", false},
      {"not an archive", with(release_2_22, {"--package-url", "http://example.com/sales.7z"}), 2,
       "kestrel-cli: --package-url (升级包下载地址): 升级包必须是压缩文件，请重新输入！\n", "", false},
      {"outside GBK", with(release_2_22, {"--program", "销售😀.exe"}), 2,
       "kestrel-cli: --program (程序名称): 程序名称：含有无法保存的字符，请重新输入！\n", "", false},
      {"line break", with(release_2_22, {"--program-version", "1.5\r\n"}), 2,
       "kestrel-cli: --program-version (程序版本): a single-line field cannot hold a line break\n", "", false},
      {"plain password", with(release_2_22, {"--password", "s3cret"}), 2, "", "--password: a password", false},
      // The password itself typed where the variable's name belongs is not repeated.
      {"unset password variable", with(release_2_22, {"--password-env", "s3cret"}), 2,
       "kestrel-cli: --password-env (登陆密码): the environment variable named by --password-env is not set\n", "",
       false},
      {"missing note file", with(release_2_22, {"--note-file", "missing.txt"}), 2, "",
       "kestrel-cli: --note-file (附加说明): cannot read missing.txt: ", false},
      {"missing directory", with({"-C", "nowhere"}, release_2_22), 2, "", "kestrel-cli: -C nowhere: ", false},
      {"config not writable", with(release_2_22, {"--dbms", "ODBC"}), 1,
       "kestrel-cli: 无法写入UpdateConfig.ini，请检查当前目录是否可写！\n", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test_support::TempWorkingDir fresh;
    if (c.status == 1) fs::create_directory("UpdateConfig.ini");  // a name that no file can take
    const CliResult run = run_cli(c.args);
    EXPECT_EQ(run.status, c.status);
    if (!c.err.empty()) {
      EXPECT_EQ(run.err, c.err);
    }
    EXPECT_EQ(run.err.substr(0, c.err_start.size()), c.err_start);
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(fs::is_regular_file("UpdateConfig.ini"));
    EXPECT_EQ(fs::exists("Update.txt"), c.descriptor_written);
  }
}

TEST_F(Cli, UpdateRunChangesOnlyTheGivenValues) {
  ASSERT_EQ(run_cli(with(release_2_22, {"--note", "first"})).status, 0);
  const std::string config_before = file("UpdateConfig.ini");
  write_bytes("note.txt", "\xEF\xBB\xBFPrinting fixed\nFaster start\n");

  const CliResult run = run_cli({"generate", "--latest-version", "2.3", "--date", "2024-05-01", "--note-file",
                                 "note.txt", "--database", "sales"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(file("UpdateConfig.ini"), config_before);
  EXPECT_EQ(file("Update.txt"),
            expected_files::created_descriptor(
                {.version = "2.3", .date = "2024-05-01", .note = "Printing fixed\r\nFaster start"}));
  // Updating UpdateConfig.ini leaves its database section alone, and says so.
  EXPECT_EQ(run.err,
            "kestrel-cli: UpdateConfig.ini exists, and updating it leaves its database section as it is; "
            "not written: --database\n");
}

// The note's lines end in CR LF, as the form's multi-line edit gives them,
// whether the file broke them with CR LF, LF or a lone CR.
TEST_F(Cli, NoteFileLinesEndInCrLfWhateverTheFileUsed) {
  write_bytes("note.txt", "a\rb\r\nc\nd\n");
  ASSERT_EQ(run_cli(with(release_2_22, {"--note-file", "note.txt"})).status, 0);
  const std::string written = file("Update.txt");
  EXPECT_TRUE(written.ends_with("\r\nNote=a\r\nb\r\nc\r\nd\r\n")) << written;
}

TEST_F(Cli, DryRunWritesNothingAndPrintsWhatARunWouldWrite) {
  CliResult run = run_cli(with(release_2_22, {"--dry-run"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(present("UpdateConfig.ini"));
  EXPECT_FALSE(present("Update.txt"));
  const std::size_t descriptor_at = run.out.find("==> Update.txt (create) <==\n");
  ASSERT_NE(descriptor_at, std::string::npos) << run.out;
  EXPECT_EQ(run.out.substr(descriptor_at), "==> Update.txt (create) <==\n" + created_descriptor);
  EXPECT_EQ(timeless(runtime::gbk(run.out.substr(0, descriptor_at))),
            runtime::gbk("==> UpdateConfig.ini (create) <==\n") + created_config);

  ASSERT_EQ(run_cli(release_2_22).status, 0);
  const std::string config = file("UpdateConfig.ini");
  const Args next = {"generate", "--latest-version", "3", "--note", "多行\n说明"};
  run = run_cli(with(next, {"--dry-run", "--json"}));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(file("Update.txt"), created_descriptor);
  const auto outcome = nlohmann::json::parse(run.bytes_out);
  EXPECT_EQ(outcome["status"], "dry_run");
  EXPECT_EQ(outcome["files"][0]["content"], runtime::utf8_from_gbk(config).text);
  ASSERT_EQ(run_cli(next).status, 0);
  EXPECT_EQ(outcome["files"][1]["mode"], "update");
  EXPECT_EQ(outcome["files"][1]["content"], runtime::utf8_from_gbk(file("Update.txt")).text);
  // Only the version and the note change; the note's lines end in CR LF.
  const std::string updated = expected_files::created_descriptor({.version = "3", .note = "多行\r\n说明"});
  EXPECT_EQ(outcome["files"][1]["content"], runtime::utf8_from_gbk(updated).text);
  EXPECT_EQ(file("Update.txt"), updated);
}

TEST_F(Cli, ShowGivesBackWhatGenerateWrote) {
  ASSERT_EQ(run_cli(with(release_2_22, {"--program", "销售.exe", "--note", "打印修正\n第二行", "--dbms", "ODBC"}))
                .status,
            0);
  const CliResult shown = run_cli({"show"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out,
            "update-url=http://example.com/update/Update.txt\nprogram=销售.exe\nprogram-version=1.5\n"
            "dbms=MSS Microsoft SQL Server\nserver=(local)\ndatabase=\nlogin=sa\npassword=\ndbparm=\n"
            "latest-version=2.22\ndate=2024-03-02\npackage-url=http://example.com/update/sales.rar\n"
            "note=打印修正\n");
  fs::create_directory("elsewhere");
  const auto values = nlohmann::json::parse(run_cli({"show", "-C", "..", "--json"}, "", {}, "elsewhere").bytes_out);
  EXPECT_EQ(values.size(), 14u);
  EXPECT_EQ(values["warnings"], nlohmann::json::array());
  EXPECT_EQ(values["program"], "销售.exe");
  EXPECT_EQ(values["note"], "打印修正");
  EXPECT_EQ(values["dbms"], "MSS Microsoft SQL Server");
}

// What the update client reads otherwise, or cannot use, is named on
// standard error and in the JSON, and the run goes on as before.
TEST_F(Cli, WarnsOfWhatTheClientReadsOtherwiseOrCannotUse) {
  fs::create_directory("utf8");
  write_bytes("utf8/UpdateConfig.ini", "\xEF\xBB\xBF[Main]\r\nProgramName=Old.exe\r\n");
  write_bytes("utf8/Update.txt", "[Update]\r\nVersion=2.0\r\nNote=新\r\n");  // saved as UTF-8
  const std::vector<std::string> encodings = {
      "UpdateConfig.ini begins with a UTF-8 byte-order mark, which the update client takes for text: it does "
      "not see the first section of the file",
      "Update.txt holds bytes that are no GBK text (saved as UTF-8?): the update client reads other characters "
      "in their place"};
  const auto on_standard_error = [](const std::vector<std::string>& warnings) {
    std::string err;
    for (const std::string& warning : warnings) err += "kestrel-cli: warning: " + warning + "\n";
    return err;
  };
  CliResult run = run_cli({"show"}, "", {}, "utf8");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, on_standard_error(encodings));
  EXPECT_NE(run.out.find("\nprogram=\n"), std::string::npos) << run.out;

  write_bytes("big.txt", std::string(1 << 20, 'n'));
  const std::size_t big = expected_files::created_descriptor({.note = std::string(1 << 20, 'n')}).size();
  struct Case {
    const char* what;
    Args more;
    std::vector<std::string> warnings;
    const char* folder = "";
  };
  const Case cases[] = {
      {"files saved as UTF-8", {}, encodings, "utf8"},
      {"a blank in the package address", {"--package-url", "http://example.com/update/sales 2.24.rar"},
       {"--package-url (升级包下载地址): http://example.com/update/sales 2.24.rar holds a blank: no client can ask "
        "for it as written"}},
      {"a newest version less than the installed as decimal numbers", {"--latest-version", "1.10", "--dry-run"},
       {"the newest version 1.10 is less than the installed version 1.5 in UpdateConfig.ini, as decimal numbers; "
        "clients of the installation UpdateConfig.ini describes may not see the update"}},
      {"a note that makes Update.txt larger than verify accepts", {"--note-file", "../big.txt"},
       {"Update.txt is " + std::to_string(big) + " bytes, larger than the 1 MB that verify accepts as a descriptor"},
       "big"},
  };
  fs::create_directory("big");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    run = run_cli(with(with(release_2_22, c.more), {"--json"}), "", {}, c.folder);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, on_standard_error(c.warnings));
    EXPECT_EQ(nlohmann::json::parse(run.bytes_out)["warnings"], nlohmann::json(c.warnings));
  }
}

// The password never travels as an argument: it comes from the environment
// or from standard input, and reaches the created file.
TEST_F(Cli, PasswordComesFromTheEnvironmentOrStandardInput) {
  ASSERT_EQ(run_cli(with(release_2_22, {"--password-env", "KESTREL_TEST_PASSWORD"}), "",
                    {{"KESTREL_TEST_PASSWORD", "密码1"}})
                .status,
            0);
  EXPECT_NE(file("UpdateConfig.ini").find(runtime::gbk("\r\nLogPass=密码1\r\n")), std::string::npos);

  test_support::TempWorkingDir fresh;
  ASSERT_EQ(run_cli(with(release_2_22, {"--password-stdin"}), "s3 cret\r\n").status, 0);
  EXPECT_NE(file("UpdateConfig.ini").find("\r\nLogPass=s3 cret\r\n"), std::string::npos);
}

TEST_F(Cli, JsonOutcomeNamesStatusFieldMessageFilesAndReport) {
  auto outcome = nlohmann::json::parse(run_cli({"generate", "--json", "--update-url", "ftp://x"}).bytes_out);
  EXPECT_EQ(outcome["status"], "check_failed");
  EXPECT_EQ(outcome["exit_status"], 2);
  EXPECT_EQ(outcome["field"], "update-url");
  EXPECT_EQ(outcome["message"], "更新地址格式错误，请重新输入！");
  EXPECT_TRUE(outcome["files"].empty());

  const CliResult run = run_cli(with(release_2_22, {"--json"}));
  EXPECT_EQ(run.status, 0);
  outcome = nlohmann::json::parse(run.bytes_out);
  EXPECT_EQ(outcome["status"], "written");
  EXPECT_TRUE(outcome["field"].is_null());
  EXPECT_EQ(outcome["files"],
            nlohmann::json::parse(R"([{"name":"UpdateConfig.ini","mode":"create","written":true},
                                      {"name":"Update.txt","mode":"create","written":true}])"));
  EXPECT_EQ(outcome["report"], report);
}

}  // namespace
