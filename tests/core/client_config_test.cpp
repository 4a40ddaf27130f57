// UpdateConfig.ini as the generate button writes it: the whole file in create
// mode, three keys (and two defaults) in place in update mode, every other
// byte kept, and a failed write never costs the file it found.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/client_config.h"
#include "runtime/text/datetime.h"
#include "runtime/files/replacement.h"
#include "runtime/files/profile.h"
#include "support/expected_files.h"
#include "support/ordinary_user.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/file_size_limit.h"
#endif

namespace {

namespace fs = std::filesystem;
using files::ClientConfig;
using files::write_client_config;
using expected_files::created_config;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

const std::string now_text = "2024-03-02 09:05:07";  // the fixture's clock

ClientConfig sales() {
  ClientConfig c;
  c.ProgramName = "Sales.exe";
  c.URL = "http://example.com/update/Update.txt";
  c.Version = "1.5";
  c.DBMS = "MSS Microsoft SQL Server";
  c.ServerName = "(local)";
  c.Database = "sales";
  c.LogID = "sa";
  return c;
}

runtime::Clock fixed_clock(runtime::DateTime at) {
  return [at] { return at; };
}

class ClientConfigWriter : public ::testing::Test {
 protected:
  ClientConfigWriter() { runtime::set_clock(fixed_clock({{2024, 3, 2}, {9, 5, 7}})); }
  ~ClientConfigWriter() override {
    runtime::reset_clock();
    runtime::testing::fail_next_replacement_step(runtime::testing::ReplacementStep::none);
  }

  static std::string file() { return read_bytes(files::client_config_file); }

  // The file after an update-mode call on `before`.
  static std::string updated(const std::string& before, const ClientConfig& config = sales()) {
    write_bytes(files::client_config_file, before);
    EXPECT_TRUE(write_client_config(config, false));
    return file();
  }

  test_support::TempWorkingDir dir_;
};

using Names = std::vector<std::string>;

TEST_F(ClientConfigWriter, CreateWritesTheNineteenLinesInGbkWithCrLf) {
  ASSERT_TRUE(write_client_config(sales(), true));
  EXPECT_EQ(file(), created_config());
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});
}

TEST_F(ClientConfigWriter, CreateTrimsSpacesOnlyFromEveryValue) {
  ClientConfig typed;
  typed.ProgramName = "  Sales App.exe ";      // inner blank stays
  typed.URL = "\thttp://example.com/u.txt  ";  // a leading tab is no space
  typed.Version = "   ";                       // only blanks: empty
  typed.DBMS = " ODBC \t ";                    // the tab before the last space stays
  typed.ServerName = "\xcf\xfa\xca\xdb ";      // GBK bytes pass unchanged
  typed.Database = "my  db";
  typed.LogID = " sa";
  typed.LogPass = " p a s s ";
  typed.DBParm = "ConnectString='DSN=x'  ";
  ASSERT_TRUE(write_client_config(typed, true));

  EXPECT_EQ(file(), created_config({.program = "Sales App.exe",
                                     .url = "\thttp://example.com/u.txt",
                                     .version = "",
                                     .dbms = "ODBC \t",
                                     .server = "销售",
                                     .database = "my  db",
                                     .password = "p a s s",
                                     .parameters = "ConnectString='DSN=x'"}));
}

TEST_F(ClientConfigWriter, LastUpdateTakesTheDateFirstAndTheTimeSecond) {
  // The clock passes midnight between the two readings.
  const auto across_midnight = [] {
    return [calls = 0]() mutable -> runtime::DateTime {
      if (calls++ == 0) return {{2024, 3, 2}, {23, 59, 59}};
      return {{2024, 3, 3}, {0, 0, 0}};
    };
  };
  runtime::set_clock(across_midnight());
  ASSERT_TRUE(write_client_config(sales(), true));
  EXPECT_EQ(file(), created_config({.last_update = "2024-03-02 00:00:00"}));

  runtime::set_clock(across_midnight());
  EXPECT_EQ(updated("[Main]\r\n[Update]\r\n"),
            "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\nAutoUpdate=1\r\n"
            "URL=http://example.com/update/Update.txt\r\nVersion=1.5\r\nLastUpdate=2024-03-02 00:00:00\r\n");
}

TEST_F(ClientConfigWriter, CreateAppendsToAFileThatIsAlreadyThere) {
  const std::string before = "; written earlier\r\n[Main]\r\nProgramName=Old.exe\r\n";
  write_bytes(files::client_config_file, before);
  ASSERT_TRUE(write_client_config(sales(), true));
  EXPECT_EQ(file(), before + created_config());
}

TEST_F(ClientConfigWriter, UpdateChangesOnlyTheValuesOfItsKeys) {
  // Other letter case, blanks around "=", comments, other keys and a
  // Database section with keys of the same names.
  const std::string head = "; shipped with Sales\r\n\r\n[MAIN]\r\n;ProgramName=commented.exe\r\n";
  const std::string main_rest = "\r\nTitle=Sales\r\n\r\n[update]\r\n; keep me\r\nautoupdate=0\r\n";
  const std::string update_rest =
      "\r\nLastUpdate = 2020-01-01 08:00:00\r\nProxy=none\r\n[Database]\r\nDBMS=ODBC\r\n"
      "ProgramName=db.exe\r\nVersion=9\r\nLogPass=secret\r\n";
  EXPECT_EQ(updated(head + "programname = Old.exe  " + main_rest + "Url=http://old.example.com/u.txt\r\n"
                    " VERSION\t= 1.0\t" + update_rest),
            head + "programname = Sales.exe" + main_rest + "Url=http://example.com/update/Update.txt\r\n"
                   " VERSION\t= 1.5" + update_rest);
}

TEST_F(ClientConfigWriter, UpdateAddsMissingKeysAfterTheLastKeyLineOfTheirSection) {
  // LF line ends: the added lines take the file's own line end.
  EXPECT_EQ(updated("[Main]\n; name of the program\nTitle=Sales\n\n[Update]\nURL=http://old/u.txt\n"
                    "; trailing comment\n\n[Database]\nDBMS=ODBC\nAutoUpdate=0\nLastUpdate=keep\n"),
            "[Main]\n; name of the program\nTitle=Sales\nProgramName=Sales.exe\n\n[Update]\n"
            "URL=http://example.com/update/Update.txt\nAutoUpdate=1\nVersion=1.5\nLastUpdate=" + now_text +
                "\n; trailing comment\n\n[Database]\nDBMS=ODBC\nAutoUpdate=0\nLastUpdate=keep\n");
  // Sections without key lines take them right after their header.
  EXPECT_EQ(updated("[Main]\r\n[Update]\r\n; nothing yet\r\n"),
            "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\nAutoUpdate=1\r\n"
            "URL=http://example.com/update/Update.txt\r\nVersion=1.5\r\nLastUpdate=" + now_text +
                "\r\n; nothing yet\r\n");
}

TEST_F(ClientConfigWriter, UpdateAppendsMissingSectionsWithoutComments) {
  const std::string added = "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\nAutoUpdate=1\r\n"
                            "URL=http://example.com/update/Update.txt\r\nVersion=1.5\r\nLastUpdate=" +
                            now_text + "\r\n";
  EXPECT_EQ(updated("[Database]\r\nDBMS=ODBC\r\n"), "[Database]\r\nDBMS=ODBC\r\n" + added);
  // A similar name is another section; a last line without a line end gets one.
  EXPECT_EQ(updated("[Main Old]\r\nProgramName=x\r\n[Updates]\r\nURL=y"),
            "[Main Old]\r\nProgramName=x\r\n[Updates]\r\nURL=y\r\n" + added);
  fs::remove(files::client_config_file);
  ASSERT_TRUE(write_client_config(sales(), false));
  EXPECT_EQ(file(), added);
}

TEST_F(ClientConfigWriter, UpdateFillsErrorMarkersButKeepsValuesThatAreSet) {
  const std::string main = "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\n";
  const std::string middle = "\r\nURL=http://example.com/update/Update.txt\r\nVersion=1.5\r\n";
  EXPECT_EQ(updated(main + "AutoUpdate = #ERROR " + middle + "LastUpdate=#ERROR\r\n"),
            main + "AutoUpdate = 1" + middle + "LastUpdate=" + now_text + "\r\n");
  // "0" and an empty LastUpdate are settings of their own.
  EXPECT_EQ(updated(main + "AutoUpdate=0" + middle + "LastUpdate=\r\n"),
            main + "AutoUpdate=0" + middle + "LastUpdate=\r\n");
  EXPECT_EQ(updated(main + "AutoUpdate=" + middle + "LastUpdate=  \r\n"),
            main + "AutoUpdate=" + middle + "LastUpdate=  \r\n");
}

TEST_F(ClientConfigWriter, UpdateTrimsSpacesOnly) {
  ClientConfig typed = sales();
  typed.ProgramName = "   ";
  typed.URL = "\thttp://example.com/u.txt ";
  typed.Version = " 1 .5 ";
  EXPECT_EQ(updated("[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nAutoUpdate=1\r\nURL=old\r\nVersion=1.0\r\n"
                    "LastUpdate=x\r\n",
                    typed),
            "[Main]\r\nProgramName=\r\n[Update]\r\nAutoUpdate=1\r\nURL=\thttp://example.com/u.txt\r\n"
            "Version=1 .5\r\nLastUpdate=x\r\n");
}

TEST_F(ClientConfigWriter, UpdateAfterCreateChangesThreeValuesInPlace) {
  ASSERT_TRUE(write_client_config(sales(), true));
  runtime::set_clock(fixed_clock({{2025, 1, 1}, {10, 0, 0}}));
  ClientConfig next;
  next.ProgramName = "  \xcf\xfa\xca\xdb.exe ";
  next.URL = "http://example.com/v2/Update.txt";
  next.Version = "1.6";
  next.DBMS = "ODBC";
  next.ServerName = "elsewhere";
  next.Database = "other";
  next.LogID = "dba";
  next.LogPass = "x";
  next.DBParm = "y";
  ASSERT_TRUE(write_client_config(next, false));

  EXPECT_EQ(file(), created_config({.program = "销售.exe", .url = next.URL, .version = next.Version}));
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});
}

TEST_F(ClientConfigWriter, ADirectoryInThePlaceOfTheFileIsReportedNotWritten) {
  fs::create_directory(files::client_config_file);
  EXPECT_FALSE(write_client_config(sales(), true));
  EXPECT_FALSE(write_client_config(sales(), false));
  EXPECT_TRUE(fs::is_directory(files::client_config_file));
  EXPECT_TRUE(fs::is_empty(files::client_config_file));
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});
}

TEST_F(ClientConfigWriter, AReadOnlyFileKeepsItsBytes) {
  const std::string before = "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=old\r\n";
  write_bytes(files::client_config_file, before);
  fs::permissions(files::client_config_file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // The profile writer leaves read-only files alone, even for the superuser.
  EXPECT_FALSE(write_client_config(sales(), false));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});

  // Create mode leaves it alone too, the superuser's run included, as
  // Windows leaves a file marked read-only.
  EXPECT_FALSE(write_client_config(sales(), true));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});
}

// POSIX only: directory permissions, file size limits, flock. The Windows
// lock is tested in windows_files_test.cpp.
#ifndef _WIN32
TEST_F(ClientConfigWriter, AReadOnlyDirectoryGetsNoFile) {
  fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec);
  // As the publisher, not the superuser, whom the system lets write there.
  const test_support::OrdinaryUser user;
  ASSERT_TRUE(user.ok());
  EXPECT_FALSE(write_client_config(sales(), true));
  EXPECT_FALSE(write_client_config(sales(), false));
  EXPECT_FALSE(fs::exists(files::client_config_file));
}

using test_support::FileSizeLimit;

TEST_F(ClientConfigWriter, AFullDiskLeavesTheFileAsItWas) {
  const std::string before = "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nAutoUpdate=0\r\nURL=old\r\n"
                             "Version=1.0\r\nLastUpdate=\r\n[Database]\r\nDBMS=ODBC\r\n";
  write_bytes(files::client_config_file, before);
  bool written = true;
  {
    // Room for a few of the new lines, not for all of them.
    const FileSizeLimit limit(before.size() + 60);
    written = write_client_config(sales(), true);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(file(), before);

  {
    const FileSizeLimit limit(before.size() / 2);
    written = write_client_config(sales(), false);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});

  // A file that the failed write would have made is not left half-written.
  fs::remove(files::client_config_file);
  {
    const FileSizeLimit limit(60);
    written = write_client_config(sales(), true);
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(entries(), Names{});
}

TEST_F(ClientConfigWriter, AFileLockedByAnotherWriterIsNotAppendedTo) {
  const std::string before = "[Main]\r\nProgramName=Old.exe\r\n";
  write_bytes(files::client_config_file, before);
  const int other = ::open(files::client_config_file, O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  EXPECT_FALSE(write_client_config(sales(), true));
  ::close(other);
  EXPECT_EQ(file(), before);
}
#endif

TEST_F(ClientConfigWriter, AFailedUpdateLeavesEveryKeyAsItWas) {
  const std::string before = "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=old\r\nVersion=1.0\r\n";
  write_bytes(files::client_config_file, before);
  // All five keys go in with one replacement of the file; it fails, so none does.
  runtime::testing::fail_next_replacement_step(runtime::testing::ReplacementStep::rename);
  EXPECT_FALSE(write_client_config(sales(), false));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"UpdateConfig.ini"});
}

}  // namespace
