// The two files as Windows programs read them: the update client reads
// UpdateConfig.ini and Update.txt with GetPrivateProfileStringA, in the ANSI
// code page of the machine it runs on. Every value the generate button
// writes must come back from that API byte for byte, in create mode and in
// update mode, and our own profile_read must agree with the API on the
// corners of the format it copies. Built everywhere, run on Windows only:
// elsewhere there is no such API to ask.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/text/datetime.h"
#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"
#include "runtime/text/strings.h"
#include "support/profile_api.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using files::ClientConfig;
using files::UpdateDescriptor;
using runtime::gbk;
using test_support::write_bytes;

constexpr const char* missing = test_support::profile_missing;
using test_support::profile_api_read;  // the value as the update client sees it

struct Expected {
  const char* section;
  const char* key;
  std::string value;
};

class WindowsProfileApi : public ::testing::Test {
 protected:
  WindowsProfileApi() {
    runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  }
  ~WindowsProfileApi() override { runtime::reset_clock(); }

  // Each value through the API, then once more with the section and key
  // names in other letter case, as a client may spell them.
  static void expect_read_back(const std::string& file, const std::vector<Expected>& values) {
    for (const Expected& e : values) {
      SCOPED_TRACE(file + " [" + e.section + "] " + e.key);
      EXPECT_EQ(profile_api_read(file, e.section, e.key), e.value);
      std::string section = e.section;
      std::string key = e.key;
      CharUpperBuffA(section.data(), static_cast<DWORD>(section.size()));
      CharLowerBuffA(key.data(), static_cast<DWORD>(key.size()));
      EXPECT_EQ(profile_api_read(file, section, key), e.value);
    }
  }

  // The code page the API reads the files in; the Chinese cases mean
  // something only under 936 (Chinese Windows, or Wine with a zh_CN locale).
  static void require_chinese_code_page() {
    if (GetACP() != 936) GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 936";
  }

  test_support::TempWorkingDir dir_;
};

ClientConfig ascii_config() {
  ClientConfig c;
  c.ProgramName = "  Sales.exe ";
  c.URL = "http://example.com/update/Update.txt?channel=stable&x=1";
  c.Version = "2.10.3";
  c.DBMS = "ODBC";
  c.ServerName = "db01.example.com,1433";
  c.Database = "sales";
  c.LogID = "dba";
  c.LogPass = "p@ss=word;1";
  c.DBParm = "ConnectString='DSN=Sales;UID=dba;PWD=sql',DelimitIdentifier='No'";
  return c;
}

std::vector<Expected> client_values(const ClientConfig& c, const std::string& auto_update,
                                    const std::string& last_update) {
  return {{"Main", "ProgramName", runtime::string_trim(c.ProgramName)},
          {"Update", "AutoUpdate", auto_update},
          {"Update", "URL", runtime::string_trim(c.URL)},
          {"Update", "Version", runtime::string_trim(c.Version)},
          {"Update", "LastUpdate", last_update},
          {"Database", "DBMS", c.DBMS},
          {"Database", "ServerName", c.ServerName},
          {"Database", "Database", c.Database},
          {"Database", "LogID", c.LogID},
          {"Database", "LogPass", c.LogPass},
          {"Database", "DBParm", c.DBParm}};
}

UpdateDescriptor ascii_descriptor() {
  return {" 2.10.3", "2024-03-02", "http://example.com/update/Sales-2.10.3.zip ", "Fixes; see notes=1"};
}

std::vector<Expected> descriptor_values(const UpdateDescriptor& d) {
  return {{"Update", "Version", runtime::string_trim(d.Version)},
          {"Update", "Date", runtime::string_trim(d.Date)},
          {"Update", "URL", runtime::string_trim(d.URL)},
          {"Update", "Note", runtime::string_trim(d.Note)}};
}

TEST_F(WindowsProfileApi, CreatedFilesReadBackThroughTheApi) {
  const ClientConfig config = ascii_config();
  ASSERT_TRUE(files::write_client_config(config, true));
  expect_read_back(files::client_config_file, client_values(config, "1", "2024-03-02 09:05:07"));

  const UpdateDescriptor descriptor = ascii_descriptor();
  ASSERT_TRUE(files::write_update_descriptor(descriptor, true));
  expect_read_back(files::update_descriptor_file, descriptor_values(descriptor));
}

TEST_F(WindowsProfileApi, UpdatedFilesReadBackThroughTheApi) {
  // Hand-made files, with section and key names spelled in other letter case.
  write_bytes(files::client_config_file,
              "[main]\r\nprogramname=Old.exe\r\n[UPDATE]\r\n;keep me\r\nautoupdate=0\r\nurl=http://old/\r\n"
              "VERSION=1.0\r\nLastUpdate=2020-01-01 00:00:00\r\n[database]\r\nDBMS=O90\r\nLogPass=\r\n");
  ClientConfig config = ascii_config();
  ASSERT_TRUE(files::write_client_config(config, false));
  // Update mode leaves the database section and the two defaults alone.
  config.DBMS = "O90";
  config.ServerName = missing;
  config.Database = missing;
  config.LogID = missing;
  config.LogPass = "";
  config.DBParm = missing;
  expect_read_back(files::client_config_file, client_values(config, "0", "2020-01-01 00:00:00"));

  write_bytes(files::update_descriptor_file, "[UPDATE]\r\nversion=1.0\r\nDATE=2020-01-01\r\nUrl=http://old/\r\n");
  const UpdateDescriptor descriptor = ascii_descriptor();
  ASSERT_TRUE(files::write_update_descriptor(descriptor, false));
  expect_read_back(files::update_descriptor_file, descriptor_values(descriptor));
}

TEST_F(WindowsProfileApi, ChineseValuesReadBackInBothModes) {
  require_chinese_code_page();
  ClientConfig config;
  config.ProgramName = gbk("销售管理系统.exe");
  config.URL = gbk("http://example.com/升级/Update.txt");
  config.Version = gbk("2.1 正式版");
  config.DBMS = "ODBC";
  config.ServerName = gbk("数据库服务器");
  config.Database = gbk("销售");
  config.LogID = gbk("管理员");
  config.LogPass = gbk("密码");
  config.DBParm = gbk("ConnectString='DSN=销售;UID=管理员'");
  ASSERT_TRUE(files::write_client_config(config, true));
  expect_read_back(files::client_config_file, client_values(config, "1", "2024-03-02 09:05:07"));

  const UpdateDescriptor descriptor{gbk("2.2"), "2024-03-02", gbk("http://example.com/升级/新版.zip"),
                                    gbk("修复了打印问题；新增报表＝月报")};
  ASSERT_TRUE(files::write_update_descriptor(descriptor, true));
  expect_read_back(files::update_descriptor_file, descriptor_values(descriptor));

  // Update mode over the files just made, with Chinese text in the comments
  // around the edited keys.
  config.ProgramName = gbk("销售管理系统（新）.exe");
  config.URL = gbk("http://example.com/更新/Update.txt");
  config.Version = gbk("3.0 测试版");
  ASSERT_TRUE(files::write_client_config(config, false));
  expect_read_back(files::client_config_file, client_values(config, "1", "2024-03-02 09:05:07"));

  const UpdateDescriptor next{gbk("3.0"), "2024-04-01", gbk("http://example.com/更新/三.zip"), gbk("说明：无")};
  ASSERT_TRUE(files::write_update_descriptor(next, false));
  expect_read_back(files::update_descriptor_file, descriptor_values(next));
}

// Our reader copies the API's rules (letter case, blanks, quotes, comment
// lines, first match wins); here the API itself is the judge. The client
// runs on Windows, and these tests under Wine: where Wine reads a shape
// otherwise than Windows 10 does, the row gives the Windows result instead.
struct Lookup {
  std::string section;
  std::string key;
  const char* windows = nullptr;  // Wine differs: what Windows gives
};

TEST_F(WindowsProfileApi, ProfileReadAgreesWithTheApi) {
  const std::string file = "rules.ini";
  write_bytes(file,
              "top=before any section\r\n"
              "[Main]\r\n"
              "  Spaced  =  both sides  \r\n"
              "Quoted=\"in quotes\"\r\n"
              "Single='in single quotes'\r\n"
              "Mixed=\"not a pair'\r\n"
              "Inner=a \"b\" c\r\n"
              "Semi=a;b\r\n"
              ";Hidden=comment\r\n"
              "Equals=a=b=c\r\n"
              "Empty=\r\n"
              "Dup=first\r\n"
              "dup=second\r\n"
              "NoEnd\r\n"
              "\r\n"
              "\tTabbed\t=\ttabs around\t\r\n"
              "[ Spaced Section ]\r\n"
              "k=spaced section\r\n"
              "[main]\r\n"
              "Late=second section of the same name\r\n"
              "Dup=third\r\n"
              "[Odd]\r\n"
              "Bare\r\n"
              "bare=hidden by the line above\r\n"
              "[Broken\r\n"
              "UnderBroken=still in Odd\r\n"
              "[Broken]\r\n"
              "k=the real section\r\n"
              "\v[\vVt\v]\v\r\n"
              "\vk\v=\v vertical tabs \v\r\n"
              "\v;c=comment\r\n"
              "[Tail] ; a note after the name\n"
              "Lf=lf only\n"
              "Last=no line end");
  // Wine differs: it takes "[Broken" for a key line of [Odd], Windows for
  // the header of [Broken]; it reads "\v;c" as a key, where Windows strips
  // the vertical tab and finds a comment; and it strips a tab from a name
  // given to it, Windows only spaces.
  const std::vector<Lookup> lookups = {
      {"Main", "Spaced"}, {"Main", "Quoted"}, {"Main", "Single"}, {"Main", "Mixed"},
      {"Main", "Inner"},  {"Main", "Semi"},   {"Main", "Hidden"}, {"Main", "Tabbed"},
      {"Main", "Equals"}, {"Main", "Empty"},  {"Main", "Dup"},    {"MAIN", "DUP"},
      {"Main", "NoEnd"},  {"Main", "Late"},   {"Main", "Absent"}, {"Spaced Section", "k"},
      {"Tail", "Lf"},     {"Tail", "Last"},   {"Absent", "k"},    {"Odd", "Bare"},
      {"Odd", "UnderBroken", missing}, {"Broken", "UnderBroken", "still in Odd"},
      {"Broken", "k", missing}, {"Odd", "[Broken", missing},
      {"Vt", "k"}, {"Vt", "\v;c", missing}, {"  Main ", " Spaced "}, {"\tMain", "Spaced", missing}};
  for (const Lookup& l : lookups) {
    SCOPED_TRACE("[" + l.section + "] " + l.key);
    const std::string ours = runtime::profile_read(file, l.section, l.key, missing);
    EXPECT_EQ(ours, l.windows ? std::string(l.windows) : profile_api_read(file, l.section, l.key));
  }
  EXPECT_EQ(profile_api_read(file, "Odd", "Bare"), missing);
  // Windows does not understand a UTF-8 byte-order mark: the first line is
  // no header. Wine skips the mark.
  write_bytes("bom.ini", "\xEF\xBB\xBF[Main]\r\nProgramName=a.exe\r\n[Update]\r\nv=1\r\n");
  EXPECT_EQ(runtime::profile_read("bom.ini", "Main", "ProgramName", missing), missing);
  EXPECT_EQ(runtime::profile_read("bom.ini", "Update", "v", missing), profile_api_read("bom.ini", "Update", "v"));
}

// Writes into those shapes land where the API reads the key. Where Wine
// reads the shape otherwise than Windows, only our own reader, which reads
// it as Windows does, can say where the key is.
TEST_F(WindowsProfileApi, WritesIntoHandEditedShapesReadBackThroughTheApi) {
  struct Case {
    std::string before;
    const char* section;
    const char* key;
    bool wine_differs = false;
  };
  const Case cases[] = {
      {"[Main]\r\nProgramName=a.exe\r\n[Update\r\nURL=http://old/\r\nVersion=1.0\r\n", "Update", "URL", true},
      {"[Main]\r\nProgramName=a.exe\r\n[Update\r\nURL=http://old/\r\n", "Main", "URL", true},
      {"[Update]\r\nURL=u\r\nVersion\r\nVersion=1.0\r\n", "Update", "Version"},
      {"[update]\r\n  version \t\r\n[Next]\r\nVersion=9\r\n", "UPDATE", "Version"},
      {"\xEF\xBB\xBF[Main]\r\nProgramName=a.exe\r\n[Update]\r\nURL=u\r\n", "Main", "ProgramName", true},
      {"\v[\vUpdate\v]\r\n\vURL\v=\vu\v\r\n", "Update", "URL"},
      {"[Main]\r\nProgramName=a.exe\r\n[Update]\r\nURL=u", " Main ", " ProgramName "},
  };
  const std::vector<std::pair<std::string, std::string>> lookups = {
      {"Main", "ProgramName"}, {"Main", "URL"},    {"Main", "Version"},
      {"Update", "URL"},       {"Update", "Version"}, {"Next", "Version"}};
  int number = 0;
  for (const Case& c : cases) {
    // A fresh name each time: the API may keep a file it read in memory.
    const std::string file = "odd" + std::to_string(++number) + ".ini";
    SCOPED_TRACE(file + " [" + c.section + "] " + c.key);
    write_bytes(file, c.before);
    ASSERT_TRUE(runtime::profile_write(file, c.section, c.key, "2.0"));
    const std::string section = runtime::string_trim(c.section);
    const std::string key = runtime::string_trim(c.key);
    EXPECT_EQ(runtime::profile_read(file, section, key, missing), "2.0");
    if (c.wine_differs) continue;
    EXPECT_EQ(profile_api_read(file, section, key), "2.0");
    for (const auto& [s, k] : lookups) {
      SCOPED_TRACE("[" + s + "] " + k);
      EXPECT_EQ(runtime::profile_read(file, s, k, missing), profile_api_read(file, s, k));
    }
  }
}

}  // namespace

#endif  // _WIN32
