// Large inputs: a 50 MB UpdateConfig.ini in update mode, megabyte lines and
// values, 100,000 sections. Each is read and edited correctly, byte for
// byte; how the cost grows with the size is shown by the benchmarks in
// bench/, not here.
#include <string>

#include <gtest/gtest.h>

#include "child.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/text/datetime.h"
#include "runtime/files/profile.h"
#include "support/temp_dir.h"

namespace robustness {
namespace {

using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

constexpr std::size_t megabyte = 1 << 20;

// Sections of filler up to about `size` bytes, numbered from `first`.
std::string filler_sections(std::size_t size, const std::string& name) {
  std::string text;
  for (int i = 0; text.size() < size; ++i) {
    text += "[" + name + std::to_string(i) + "]\r\n;comment " + std::to_string(i) + "\r\nKey=value " +
            std::to_string(i) + "\r\nOther = something longer, to make the lines of a usual length\r\n";
  }
  return text;
}

TEST(Sizes, UpdateModeEditsA50MegabyteConfigInPlace) {
  test_support::TempWorkingDir dir;
  const std::string first = filler_sections(25 * megabyte, "Before");
  const std::string second = filler_sections(25 * megabyte, "Between");
  auto config = [&](const std::string& program, const std::string& url, const std::string& version) {
    return "[Main]\r\n;main program\r\nProgramName=" + program + "\r\n" + first +
           "[Update]\r\nAutoUpdate=0\r\nURL=" + url + "\r\nVersion=" + version +
           "\r\nLastUpdate=2020-01-01 00:00:00\r\n" + second + "[Database]\r\nDBMS=ODBC\r\nDBParm=\r\n";
  };
  write_bytes(files::client_config_file, config("Old.exe", "http://old/Update.txt", "1.0"));
  const files::ClientConfig update{" New.exe ", "http://new/Update.txt", "2.22", "x", "x", "x", "x", "x", "x"};
  ASSERT_TRUE(files::write_client_config(update, false));
  const std::string after = read_bytes(files::client_config_file);
  const std::string expected = config("New.exe", "http://new/Update.txt", "2.22");
  ASSERT_EQ(after.size(), expected.size());
  EXPECT_TRUE(after == expected);
  EXPECT_EQ(entries(), std::vector<std::string>{files::client_config_file});
}

TEST(Sizes, MegabyteLinesAndValuesAreReadAndWrittenWhole) {
  test_support::TempWorkingDir dir;
  const std::string long_comment = ";" + std::string(megabyte, 'c');
  const std::string long_value(megabyte, 'v');
  write_bytes("p.ini", long_comment + "\r\n[s]\r\nk=" + long_value + "\r\n" + long_comment + "\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), long_value);

  const std::string other_value = std::string(megabyte / 2, 'w') + "end";
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", "k", other_value));
  ASSERT_TRUE(runtime::profile_write("p.ini", "s", std::string(megabyte, 'K'), "long key"));
  EXPECT_EQ(read_bytes("p.ini"), long_comment + "\r\n[s]\r\nk=" + other_value + "\r\n" + std::string(megabyte, 'K') +
                                     "=long key\r\n" + long_comment + "\r\n");
  EXPECT_EQ(runtime::profile_read("p.ini", "s", "k", "-"), other_value);
  EXPECT_EQ(runtime::profile_read("p.ini", "S", std::string(megabyte, 'k'), "-"), "long key");
}

TEST(Sizes, MegabyteValuesGoThroughBothWritersInBothModes) {
  test_support::TempWorkingDir dir;
  runtime::set_clock([] { return runtime::DateTime{{2024, 3, 2}, {9, 5, 7}}; });
  const std::string program = std::string(megabyte, 'p') + ".exe";
  const std::string note = std::string(megabyte, 'n');
  files::ClientConfig config{program, "http://a/", "1.5", "MSS", "(local)", "db", "sa", "", std::string(megabyte, 'd')};
  files::UpdateDescriptor descriptor{"2.0", "2024-03-02", "http://a/b.rar", note};
  ASSERT_TRUE(files::write_client_config(config, true));
  ASSERT_TRUE(files::write_update_descriptor(descriptor, true));
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Main", "ProgramName", "-"), program);
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Database", "DBParm", "-"), config.DBParm);
  EXPECT_EQ(runtime::profile_read(files::update_descriptor_file, "Update", "Note", "-"), note);

  config.URL = "http://" + std::string(megabyte, 'u');
  descriptor.Note = "short";
  ASSERT_TRUE(files::write_client_config(config, false));
  ASSERT_TRUE(files::write_update_descriptor(descriptor, false));
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Update", "URL", "-"), config.URL);
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Main", "ProgramName", "-"), program);
  EXPECT_EQ(runtime::profile_read(files::update_descriptor_file, "Update", "Note", "-"), "short");
  EXPECT_EQ(read_bytes(files::update_descriptor_file),
            "[Update]\r\nVersion=2.0\r\nDate=2024-03-02\r\nURL=http://a/b.rar\r\nNote=short\r\n");
  runtime::reset_clock();
}

TEST(Sizes, HundredThousandSectionsAreSearchedAndEdited) {
  test_support::TempWorkingDir dir;
  std::string text;
  for (int i = 0; i < 100'000; ++i) text += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  write_bytes("p.ini", text);
  EXPECT_EQ(runtime::profile_read("p.ini", "S99999", "k", "-"), "99999");
  EXPECT_EQ(runtime::profile_read("p.ini", "s50000", "K", "-"), "50000");
  EXPECT_EQ(runtime::profile_read("p.ini", "S100000", "k", "-"), "-");
  ASSERT_TRUE(runtime::profile_write("p.ini", "S99999", "k", "last"));
  ASSERT_TRUE(runtime::profile_write("p.ini", "S0", "added", "first"));
  ASSERT_TRUE(runtime::profile_write("p.ini", "S100000", "k", "new"));
  const std::string head = "[S0]\nk=0\nadded=first\n";
  std::string expected = head + text.substr(9);  // "[S0]\nk=0\n" is 9 bytes
  expected.replace(expected.size() - 6, 6, "last\n");  // "99999\n"
  expected += "[S100000]\nk=new\n";
  EXPECT_EQ(read_bytes("p.ini"), expected);
}

}  // namespace
}  // namespace robustness
