// Files that are not what the tool wrote: arbitrary bytes, NUL bytes,
// byte-order marks, UTF-16, line ends of other systems, things that are not
// files at all. Reading never fails on them; an edit changes the edited key
// only, or is refused and changes nothing.
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "child.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "profile_case.h"
#include "runtime/files/profile.h"
#include "support/temp_dir.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;

// Random cases in the fuzz target's format (see profile_case.h), made of the
// bytes that matter most to the parser and of any bytes at all.
std::string random_case(std::mt19937& random) {
  static const std::string telling = "[]=;\r\n \t\"'\xEF\xBB\xBF\xFF\xFE\x81\x5D\0aAkKsS"s;
  auto random_bytes = [&](std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
      bytes.push_back(random() % 2 ? telling[random() % telling.size()] : static_cast<char>(random()));
    }
    return bytes;
  };
  std::string data(1, static_cast<char>(random() % 6));
  for (int op = 0; op < 6; ++op) {
    data.push_back(static_cast<char>(random()));  // write or read
    for (const std::size_t longest : {24u, 24u, 64u}) {
      const std::size_t size = random() % (longest + 1);
      data.push_back(static_cast<char>(size));
      data += random_bytes(size);
    }
  }
  return data + random_bytes(random() % 2000);
}

TEST(BadInput, BinaryFilesKeepEveryByteOutsideTheEditedKey) {
  test_support::TempWorkingDir dir;
  fs::create_directory("case");
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  for (int i = 0; i < 300; ++i) {
    const std::string data = random_case(random);
    const std::string broken =
        fuzz::run_profile_case(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), "case");
    ASSERT_EQ(broken, "") << "case " << i;
  }
}

TEST(BadInput, NulBytesAreOrdinaryBytesInFilesNamesAndValues) {
  test_support::TempWorkingDir dir;
  const std::string before = "\0\0\r\n[s\0]\r\nk\0=\0v\0\r\n\0"s;
  write_bytes("p.ini", before);
  EXPECT_EQ(runtime::profile_read("p.ini", "s\0"s, "k\0"s, "-"), "\0v\0"s);
  ASSERT_TRUE(runtime::profile_write("p.ini", "s\0"s, "k\0"s, "new\0value"s));
  EXPECT_EQ(read_bytes("p.ini"), "\0\0\r\n[s\0]\r\nk\0=new\0value\r\n\0\r\n"s);
  ASSERT_TRUE(runtime::profile_write("p.ini", "t\0"s, "\0"s, "\0"s));
  EXPECT_EQ(read_bytes("p.ini"), "\0\0\r\n[s\0]\r\nk\0=new\0value\r\n\0\r\n[t\0]\r\n\0=\0\r\n"s);
  EXPECT_EQ(runtime::profile_read("p.ini", "t\0"s, "\0"s, "-"), "\0"s);
}

const files::ClientConfig new_config{"New.exe", "http://new/Update.txt", "2.22", "", "", "", "", "", ""};

// Windows does not understand a UTF-8 byte-order mark: it begins the first
// line, so "[Main]" there is no header. The mark stays, and the program name
// goes into a [Main] at the end, which the update client reads.
TEST(BadInput, Utf8ByteOrderMarkStaysAndHidesTheFirstHeader) {
  test_support::TempWorkingDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  const std::string before = bom + "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nAutoUpdate=1\r\n"
                                   "URL=http://old/\r\nVersion=1.0\r\nLastUpdate=x\r\n";
  write_bytes(files::client_config_file, before);
  ASSERT_TRUE(files::write_client_config(new_config, false));
  EXPECT_EQ(read_bytes(files::client_config_file),
            bom + "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nAutoUpdate=1\r\nURL=http://new/Update.txt\r\n"
                  "Version=2.22\r\nLastUpdate=x\r\n[Main]\r\nProgramName=New.exe\r\n");
}

// Windows reads a profile file that starts with a UTF-16 byte-order mark as
// UTF-16 text. Bytes written into it would be garbage to that reader, so
// such a file is read as holding no keys and is never edited.
TEST(BadInput, Utf16FileIsNeverEditedAndReadsAsHoldingNoKeys) {
  test_support::TempWorkingDir dir;
  const std::string little = "\xFF\xFE[\0M\0a\0i\0n\0]\0\r\0\n\0P\0r\0o\0g\0r\0a\0m\0N\0a\0m\0e\0=\0A\0\r\0\n\0"s;
  const std::string big = "\xFE\xFF\0[\0M\0a\0i\0n\0]\0\r\0\n\0P\0r\0o\0g\0r\0a\0m\0N\0a\0m\0e\0=\0A\0\r\0\n"s;
  for (const std::string& before : {little, big}) {
    write_bytes(files::client_config_file, before);
    EXPECT_EQ(runtime::profile_read(files::client_config_file, "Main", "ProgramName", "-"), "-");
    EXPECT_FALSE(runtime::profile_write(files::client_config_file, "Main", "ProgramName", "B"));
    EXPECT_FALSE(files::write_client_config(new_config, false));
    EXPECT_EQ(read_bytes(files::client_config_file), before);
    EXPECT_EQ(entries(), std::vector<std::string>{files::client_config_file});
  }
}

TEST(BadInput, LfOnlyAndCrOnlyFilesKeepTheirLineEnds) {
  test_support::TempWorkingDir dir;
  for (const std::string end : {"\n", "\r"}) {
    SCOPED_TRACE(end == "\n" ? "LF" : "CR");
    // No AutoUpdate and no LastUpdate: update mode adds them.
    write_bytes(files::client_config_file, "[Main]" + end + "ProgramName=Old.exe" + end + "[Update]" + end +
                                               "URL=http://old/" + end + "Version=1.0" + end + ";end" + end);
    ASSERT_TRUE(files::write_client_config(new_config, false));
    const std::string after = read_bytes(files::client_config_file);
    const std::string other_end = end == "\n" ? "\r" : "\n";
    EXPECT_EQ(after.find(other_end), std::string::npos);
    EXPECT_EQ(after.rfind("[Main]" + end + "ProgramName=New.exe" + end + "[Update]" + end +
                              "URL=http://new/Update.txt" + end + "Version=2.22" + end,
                          0),
              0u);
    EXPECT_EQ(runtime::profile_read(files::client_config_file, "Update", "AutoUpdate", "-"), "1");
    EXPECT_NE(runtime::profile_read(files::client_config_file, "Update", "LastUpdate", "-"), "-");
    EXPECT_NE(after.find(";end" + end), std::string::npos);
  }
}

TEST(BadInput, DirectoryOrPipeInPlaceOfEitherFileIsReportedNotWritten) {
  test_support::TempWorkingDir dir;
  const files::UpdateDescriptor new_descriptor{"2.0", "2024-03-02", "http://new/b.zip", ""};
  fs::create_directory(files::client_config_file);
  ASSERT_EQ(::mkfifo(files::update_descriptor_file, 0644), 0);
  for (const bool create : {false, true}) {
    EXPECT_FALSE(files::write_client_config(new_config, create));
    EXPECT_FALSE(files::write_update_descriptor(new_descriptor, create));
  }
  EXPECT_EQ(runtime::profile_read(files::client_config_file, "Main", "ProgramName", "-"), "-");
  EXPECT_EQ(runtime::profile_read(files::update_descriptor_file, "Update", "Version", "-"), "-");
  EXPECT_TRUE(fs::is_directory(files::client_config_file));
  EXPECT_TRUE(fs::is_empty(files::client_config_file));
  EXPECT_TRUE(fs::is_fifo(files::update_descriptor_file));
  EXPECT_EQ(entries(), (std::vector<std::string>{files::update_descriptor_file, files::client_config_file}));
}

}  // namespace
}  // namespace robustness
