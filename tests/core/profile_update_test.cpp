// Several keys as one change of a profile file: the same bytes as writing
// them one by one, but the file is replaced once, with all of them or none.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/files/replacement.h"
#include "runtime/files/profile.h"
#include "support/temp_dir.h"

namespace {

using namespace std::string_literals;
using runtime::testing::ReplacementStep;
using test_support::read_bytes;
using test_support::write_bytes;

// A run of reads and writes, as update mode makes them.
struct Step {
  bool write;
  const char* section;
  const char* key;
  const char* value;  // a write's value, a read's default
};

const Step steps[] = {
    {true, "Main", "ProgramName", "Sales.exe"},  {false, "Update", "AutoUpdate", "#ERROR"},
    {true, "Update", "AutoUpdate", "1"},         {true, "update", "URL", "http://a/"},
    {false, "UPDATE", "url", "#ERROR"},          {true, "Update", "Version", ""},
    {true, "New", "Key", "\xD6\xD0\xCE\xC4"},    {false, "New", "key", "#ERROR"},
};

const std::string shapes[] = {
    "",
    "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=old\r\n",
    "\xEF\xBB\xBF; comment\n[update]\nAutoUpdate=0\n\n[main]\nx=1",
    "[Update]\rVersion=1\r[Main]\r",
    "junk\0line\r\n[Database]\r\nDBMS=x\r\n"s,
};

class ProfileUpdate : public ::testing::Test {
 protected:
  ~ProfileUpdate() override { runtime::testing::fail_next_replacement_step(ReplacementStep::none); }
  test_support::TempWorkingDir dir_;
};

TEST_F(ProfileUpdate, GivesTheBytesAndReadsOfKeyByKeyWriting) {
  for (const std::string& shape : shapes) {
    SCOPED_TRACE(shape);
    write_bytes("one.ini", shape);
    std::vector<std::string> reads_one_by_one;
    for (const Step& s : steps) {
      if (s.write) {
        ASSERT_TRUE(runtime::profile_write("one.ini", s.section, s.key, s.value));
      } else {
        reads_one_by_one.push_back(runtime::profile_read("one.ini", s.section, s.key, s.value));
      }
    }
    write_bytes("batch.ini", shape);
    std::vector<std::string> reads_in_batch;
    const runtime::ProfileEdits edits = [&](runtime::ProfileText& file) {
      for (const Step& s : steps) {
        if (s.write) {
          file.write(s.section, s.key, s.value);
        } else {
          reads_in_batch.push_back(file.read(s.section, s.key, s.value));
        }
      }
    };
    const std::optional<std::string> preview = runtime::profile_preview("batch.ini", edits);
    EXPECT_EQ(read_bytes("batch.ini"), shape);  // a preview writes nothing
    EXPECT_EQ(preview, read_bytes("one.ini"));
    EXPECT_EQ(reads_in_batch, reads_one_by_one);
    reads_in_batch.clear();
    ASSERT_TRUE(runtime::profile_update("batch.ini", edits));
    EXPECT_EQ(read_bytes("batch.ini"), read_bytes("one.ini"));
    EXPECT_EQ(reads_in_batch, reads_one_by_one);
  }
}

TEST_F(ProfileUpdate, AFailureAtAnyStepLeavesTheFileExactlyAsItWas) {
  const std::string before = "[Update]\r\nVersion=2.21\r\nDate=d\r\n";
  for (const auto step : {ReplacementStep::write, ReplacementStep::flush, ReplacementStep::rename}) {
    write_bytes("p.ini", before);
    runtime::testing::fail_next_replacement_step(step);
    EXPECT_FALSE(runtime::profile_update("p.ini", [](runtime::ProfileText& file) {
      file.write("Update", "Version", "3");
      file.write("Update", "Date", "2024-05-01");
    }));
    EXPECT_EQ(read_bytes("p.ini"), before);
  }
}

TEST_F(ProfileUpdate, MissingFileIsCreatedAndUtf16FileRefused) {
  const runtime::ProfileEdits edits = [](runtime::ProfileText& file) { file.write("Update", "Version", "3"); };
  EXPECT_EQ(runtime::profile_preview("new.ini", edits), "[Update]\r\nVersion=3\r\n");
  ASSERT_TRUE(runtime::profile_update("new.ini", edits));
  EXPECT_EQ(read_bytes("new.ini"), "[Update]\r\nVersion=3\r\n");

  const std::string utf16 = "\xFF\xFE[\0U\0]\0"s;
  write_bytes("wide.ini", utf16);
  EXPECT_EQ(runtime::profile_preview("wide.ini", edits), std::nullopt);
  EXPECT_FALSE(runtime::profile_update("wide.ini", edits));
  EXPECT_EQ(read_bytes("wide.ini"), utf16);
}

}  // namespace
