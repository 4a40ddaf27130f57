// Update.txt as the generate button writes it: five lines in create mode, the
// four keys of section Update in place in update mode, every other byte kept,
// and a failed write never costs the file it found.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/update_descriptor.h"
#include "runtime/files/replacement.h"
#include "runtime/files/profile.h"
#include "support/expected_files.h"
#include "support/ordinary_user.h"
#include "support/profile_api.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include "support/file_size_limit.h"
#endif

namespace {

namespace fs = std::filesystem;
using files::UpdateDescriptor;
using files::write_update_descriptor;
using expected_files::created_descriptor;
using test_support::entries;
using test_support::read_bytes;
using test_support::write_bytes;
using Names = std::vector<std::string>;

UpdateDescriptor release(std::string version, std::string date, std::string url, std::string note) {
  return {std::move(version), std::move(date), std::move(url), std::move(note)};
}

UpdateDescriptor sales() {
  return release("2.22", "2024-03-02", "http://example.com/update/sales.rar", "Report printing fixed");
}

// "报表打印已修正" in GBK.
const std::string gbk_note = "\xb1\xa8\xb1\xed\xb4\xf2\xd3\xa1\xd2\xd1\xd0\xde\xd5\xfd";

class UpdateDescriptorWriter : public ::testing::Test {
 protected:
  ~UpdateDescriptorWriter() override {
    runtime::testing::fail_next_replacement_step(runtime::testing::ReplacementStep::none);
  }

  static std::string file() { return read_bytes(files::update_descriptor_file); }

  // The file after an update-mode call on `before`.
  static std::string updated(const std::string& before, const UpdateDescriptor& descriptor = sales()) {
    write_bytes(files::update_descriptor_file, before);
    EXPECT_TRUE(write_update_descriptor(descriptor, false));
    return file();
  }

  // The note as the client reads it: through the profile API on Windows.
  static std::string note_read() {
#ifdef _WIN32
    return test_support::profile_api_read(files::update_descriptor_file, "Update", "Note");
#else
    return runtime::profile_read(files::update_descriptor_file, "Update", "Note", "<none>");
#endif
  }

  test_support::TempWorkingDir dir_;
};

TEST_F(UpdateDescriptorWriter, CreateWritesTheFiveLinesWithCrLf) {
  ASSERT_TRUE(write_update_descriptor(sales(), true));
  EXPECT_EQ(file(), created_descriptor());
  EXPECT_EQ(entries(), Names{"Update.txt"});

  // GBK text passes unchanged; spaces (only) go from both ends.
  fs::remove(files::update_descriptor_file);
  ASSERT_TRUE(write_update_descriptor(
      release(" 2.22  ", "   ", "\thttp://example.com/a b.rar ", "  " + gbk_note + " \t "), true));
  EXPECT_EQ(file(), created_descriptor({"2.22", "", "\thttp://example.com/a b.rar", "报表打印已修正 \t"}));
}

TEST_F(UpdateDescriptorWriter, CreateAppendsToAFileThatIsAlreadyThere) {
  const std::string before = "[Update]\r\nVersion=2.21\r\n";
  write_bytes(files::update_descriptor_file, before);
  ASSERT_TRUE(write_update_descriptor(sales(), true));
  EXPECT_EQ(file(), before + created_descriptor());
}

TEST_F(UpdateDescriptorWriter, UpdateChangesOnlyTheValuesOfTheFourKeys) {
  const std::string head = "; uploaded by hand\r\n[Other]\r\nVersion=9\r\nNote=other\r\n\r\n[UPDATE]\r\n";
  const std::string tail = "\r\nSize = 12345\r\n; note follows\r\n";
  EXPECT_EQ(updated(head + " version = 2.1 \t\r\nDATE=\r\nurl='http://old/x.rar'" + tail + "Note = old note"),
            head + " version = 2.22\r\nDATE=2024-03-02\r\nurl=http://example.com/update/sales.rar" + tail +
                "Note = Report printing fixed\r\n");  // the last line gets its line end
}

TEST_F(UpdateDescriptorWriter, UpdateAddsWhatIsMissing) {
  // Keys after the last key line of the section, in the file's line end.
  EXPECT_EQ(updated("[update]\nDate=2024-01-01\n; end of release\n\n[Other]\nURL=x\n"),
            "[update]\nDate=2024-03-02\nVersion=2.22\nURL=http://example.com/update/sales.rar\n"
            "Note=Report printing fixed\n; end of release\n\n[Other]\nURL=x\n");
  // A missing section at the end, named as written.
  EXPECT_EQ(updated("; empty so far\r\n"), "; empty so far\r\n" + created_descriptor());
  EXPECT_EQ(updated("[Old]\nNote=x"), "[Old]\nNote=x\n[Update]\nVersion=2.22\nDate=2024-03-02\n"
                                      "URL=http://example.com/update/sales.rar\nNote=Report printing fixed\n");
  fs::remove(files::update_descriptor_file);
  ASSERT_TRUE(write_update_descriptor(sales(), false));
  EXPECT_EQ(file(), created_descriptor());
}

TEST_F(UpdateDescriptorWriter, UpdateWritesAllFourKeysEvenWhenEmpty) {
  EXPECT_EQ(updated("[Update]\r\nVersion=2.21\r\nDate=2024-01-01\r\nURL=u\r\nNote=old\r\n",
                    release("  ", "", " ", "")),
            "[Update]\r\nVersion=\r\nDate=\r\nURL=\r\nNote=\r\n");
}

TEST_F(UpdateDescriptorWriter, ANoteOfSeveralLinesKeepsItsLineBreaks) {
  // Only the ends of the whole note lose their spaces.
  const UpdateDescriptor several =
      release("2.22", "2024-03-02", "http://example.com/update/sales.rar",
              "  Report printing fixed \r\n  Export added\r\n" + gbk_note + "  ");
  const std::string note_lines = "Report printing fixed \r\n  Export added\r\n" + gbk_note;

  ASSERT_TRUE(write_update_descriptor(several, true));
  EXPECT_EQ(file(), created_descriptor({.note = "Report printing fixed \r\n  Export added\r\n报表打印已修正"}));
  EXPECT_EQ(note_read(), "Report printing fixed");

  EXPECT_EQ(updated("[Update]\r\nVersion=2.21\r\nDate=2024-01-01\r\nURL=u\r\nNote=old note\r\n; end\r\n", several),
            "[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\nURL=http://example.com/update/sales.rar\r\n"
            "Note=" + note_lines + "\r\n; end\r\n");
  EXPECT_EQ(note_read(), "Report printing fixed");

  // The lines an earlier note left go when the note is written over it, up
  // to the next key, header or comment; the blank line before it stays.
  const std::string release_before =
      "[Update]\r\nVersion=2.21\r\nDate=x\r\nURL=u\r\nNote=old\r\n\r\n  old two\r\nold three\r\n";
  const std::string keys = "[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\nURL=http://example.com/update/sales.rar\r\n";
  EXPECT_EQ(updated(release_before + "\r\nSize=1\r\n", several), keys + "Note=" + note_lines + "\r\n\r\nSize=1\r\n");
  EXPECT_EQ(note_read(), "Report printing fixed");
  for (const char* next : {"[Other]\r\n", "; end\r\n", ""}) {
    EXPECT_EQ(updated(release_before + next), keys + "Note=Report printing fixed\r\n" + next);
    EXPECT_EQ(note_read(), "Report printing fixed");
  }
}

TEST_F(UpdateDescriptorWriter, UpdateAfterCreateChangesTheValuesInPlace) {
  ASSERT_TRUE(write_update_descriptor(sales(), true));
  ASSERT_TRUE(write_update_descriptor(
      release("2.23", "2024-04-01", "http://example.com/update/sales-2.23.rar", gbk_note), false));
  EXPECT_EQ(file(),
            created_descriptor({"2.23", "2024-04-01", "http://example.com/update/sales-2.23.rar", "报表打印已修正"}));
  EXPECT_EQ(entries(), Names{"Update.txt"});
}

TEST_F(UpdateDescriptorWriter, ADirectoryInThePlaceOfTheFileIsReportedNotWritten) {
  fs::create_directory(files::update_descriptor_file);
  EXPECT_FALSE(write_update_descriptor(sales(), true));
  EXPECT_FALSE(write_update_descriptor(sales(), false));
  EXPECT_TRUE(fs::is_directory(files::update_descriptor_file));
  EXPECT_TRUE(fs::is_empty(files::update_descriptor_file));
  EXPECT_EQ(entries(), Names{"Update.txt"});
}

TEST_F(UpdateDescriptorWriter, AReadOnlyFileKeepsItsBytes) {
  const std::string before = "[Update]\r\nVersion=2.21\r\nNote=old\r\n";
  write_bytes(files::update_descriptor_file, before);
  fs::permissions(files::update_descriptor_file,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  // The profile writer leaves read-only files alone, even for the superuser.
  EXPECT_FALSE(write_update_descriptor(sales(), false));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"Update.txt"});

  // Create mode leaves it alone too, the superuser's run included, as
  // Windows leaves a file marked read-only.
  EXPECT_FALSE(write_update_descriptor(sales(), true));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"Update.txt"});
}

TEST_F(UpdateDescriptorWriter, AFailedUpdateLeavesEveryKeyAsItWas) {
  const std::string before = "[Update]\r\nVersion=2.21\r\nDate=d\r\nURL=u\r\nNote=n\r\n";
  write_bytes(files::update_descriptor_file, before);
  // The four keys go in with one replacement of the file; it fails, so none does.
  runtime::testing::fail_next_replacement_step(runtime::testing::ReplacementStep::write);
  EXPECT_FALSE(write_update_descriptor(sales(), false));
  EXPECT_EQ(read_bytes(files::update_descriptor_file), before);
  EXPECT_EQ(entries(), Names{"Update.txt"});
}

#ifndef _WIN32
TEST_F(UpdateDescriptorWriter, AReadOnlyDirectoryGetsNoFile) {
  fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec);
  // As the publisher, not the superuser, whom the system lets write there.
  const test_support::OrdinaryUser user;
  ASSERT_TRUE(user.ok());
  EXPECT_FALSE(write_update_descriptor(sales(), true));
  EXPECT_FALSE(write_update_descriptor(sales(), false));
  EXPECT_FALSE(fs::exists(files::update_descriptor_file));
}

TEST_F(UpdateDescriptorWriter, AFullDiskLeavesTheFileAsItWas) {
  const std::string before = "[Update]\r\nVersion=2.21\r\nDate=2024-01-01\r\nURL=u\r\nNote=old\r\n";
  write_bytes(files::update_descriptor_file, before);
  const auto with_limit = [](rlim_t bytes, bool create) {
    const test_support::FileSizeLimit limit(bytes);
    return write_update_descriptor(sales(), create);
  };
  // Room for two of the five lines, not for all of them.
  EXPECT_FALSE(with_limit(before.size() + 30, true));
  EXPECT_EQ(file(), before);
  EXPECT_FALSE(with_limit(before.size() / 2, false));
  EXPECT_EQ(file(), before);
  EXPECT_EQ(entries(), Names{"Update.txt"});

  // A file that the failed write would have made is not left half-written.
  fs::remove(files::update_descriptor_file);
  EXPECT_FALSE(with_limit(30, true));
  EXPECT_EQ(entries(), Names{});
}
#endif

}  // namespace
