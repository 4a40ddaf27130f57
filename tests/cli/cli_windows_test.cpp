// kestrel-cli.exe's files as the update client reads them: through the
// Windows profile API, in the ANSI code page, every value as it was given on
// the (wide) command line. Built everywhere, run on Windows only.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "runtime/text/gbk.h"
#include "support/expected_files.h"
#include "support/profile_api.h"
#include "support/temp_dir.h"

namespace {

using test_support::profile_api_read;

TEST(CliOnWindows, ValuesGivenInChineseReadBackThroughTheProfileApi) {
  if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936";
  test_support::TempWorkingDir dir;
  for (const char* version : {"2.22", "2.3"}) {  // created, then updated
    SCOPED_TRACE(version);
    const CliResult run = run_cli({"generate", "--update-url", "http://例子.com/更新/Update.txt", "--program",
                                   "销售系统.exe", "--program-version", "1.5", "--latest-version", version, "--date",
                                   "2024年3月2日", "--package-url", "http://例子.com/升级包.rar", "--note",
                                   "修正打印\n第二行", "--database", "销售库", "--password-env", "KESTREL_PW"},
                                  "", {{"KESTREL_PW", "密码"}});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), expected_files::report_opening);
    const struct {
      const char* file;
      const char* section;
      const char* key;
      std::string value;
    } expected[] = {
        {"UpdateConfig.ini", "Main", "ProgramName", runtime::gbk("销售系统.exe")},
        {"UpdateConfig.ini", "Update", "URL", runtime::gbk("http://例子.com/更新/Update.txt")},
        {"UpdateConfig.ini", "Update", "Version", "1.5"},
        {"UpdateConfig.ini", "Database", "Database", runtime::gbk("销售库")},
        {"UpdateConfig.ini", "Database", "LogPass", runtime::gbk("密码")},
        {"Update.txt", "Update", "Version", version},
        {"Update.txt", "Update", "Date", runtime::gbk("2024年3月2日")},
        {"Update.txt", "Update", "URL", runtime::gbk("http://例子.com/升级包.rar")},
        {"Update.txt", "Update", "Note", runtime::gbk("修正打印")},
    };
    for (const auto& e : expected) EXPECT_EQ(profile_api_read(e.file, e.section, e.key), e.value) << e.file << " " << e.key;
  }
}

}  // namespace

#endif
