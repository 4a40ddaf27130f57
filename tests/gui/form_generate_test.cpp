// The generate button on the real form once every check passes: the two files
// as written in each mode, the closing report, repeated generation, files that
// cannot be written; and the exit button.
#include <QTest>
#include <unistd.h>

#include <filesystem>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/files/replacement.h"
#include "runtime/text/gbk.h"
#include "support/expected_files.h"
#include "support/ordinary_user.h"

namespace test_support {
namespace {

using expected_files::closing_report;

// The files as created from open_and_fill() below, at 2024-03-02 09:05:07.
const std::string created_config = expected_files::created_config();
const std::string created_descriptor = expected_files::created_descriptor();

std::string refusal_to_write(const char* names_utf8) {
  return runtime::gbk(std::string("无法写入") + names_utf8 + "，请检查当前目录是否可写！");
}

class FormGenerateTest : public FormTest {
 protected:
  // The form as the worked example fills it.
  void open_and_fill() {
    fix_clock(2024, 3, 2, 9, 5, 7);
    open_form();
    fill_valid();
    type(*window->sle_9, "sales");
    type(*window->mle_1, "Report printing fixed");
  }

  void generate() {
    messages.clear();
    click(*window->cb_1);
  }

  void expect_one_message(const std::string& gbk_text) {
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(utf8(messages[0].text), utf8(gbk_text));
    EXPECT_EQ(messages[0].text, gbk_text);
  }
};

TEST_F(FormGenerateTest, FirstRunCreatesBothFilesAndReportsTheAddressesAsTyped) {
  open_and_fill();
  type(*window->sle_1, "  http://example.com/update/Update.txt ");
  type(*window->sle_3, " http://example.com/update/sales.rar  ");
  generate();
  EXPECT_EQ(file(files::client_config_file), created_config);
  EXPECT_EQ(file(files::update_descriptor_file), created_descriptor);
  expect_one_message(
      closing_report("  http://example.com/update/Update.txt ", " http://example.com/update/sales.rar  "));
  // The second line break of the report is a lone CR.
  EXPECT_NE(messages[0].text.find(runtime::gbk("Update.txt \r请上传升级包到 http")), std::string::npos);
  EXPECT_EQ(messages[0].focus_when_shown, "cb_1");
  EXPECT_EQ(focused_name(), "cb_1");
  EXPECT_TRUE(window->is_open());
}

// The second run finds both files and updates them in place: LastUpdate,
// already present, keeps the first run's time.
TEST_F(FormGenerateTest, SecondGenerationUpdatesBothFilesFromEnterInAnEdit) {
  open_and_fill();
  generate();
  ASSERT_EQ(file(files::client_config_file), created_config);

  fix_clock(2024, 4, 1, 18, 0, 0);
  type(*window->sle_2, "Sales2.exe ");
  type(*window->sle_6, "2.22");
  type(*window->sle_4, "2.3");
  type(*window->sle_5, "2024-04-01");
  type(*window->sle_3, "http://example.com/update/sales23.zip");
  type(*window->mle_1, "报表打印已修复。");
  type(*window->sle_9, "other");  // update mode leaves the database section alone
  runtime::setfocus(*window->sle_4);
  messages.clear();
  press_key(Qt::Key_Return);

  std::string config = created_config;
  config.replace(config.find("ProgramName=Sales.exe"), 21, "ProgramName=Sales2.exe");
  config.replace(config.find("Version=1.5"), 11, "Version=2.22");
  EXPECT_EQ(file(files::client_config_file), config);
  EXPECT_EQ(file(files::update_descriptor_file),
            expected_files::created_descriptor(
                {"2.3", "2024-04-01", "http://example.com/update/sales23.zip", "报表打印已修复。"}));
  expect_one_message(closing_report("http://example.com/update/Update.txt", "http://example.com/update/sales23.zip"));
  EXPECT_EQ(messages[0].focus_when_shown, "sle_4");
  EXPECT_EQ(focused_name(), "sle_4");
  EXPECT_TRUE(window->is_open());
}

// Only Update.txt is there: UpdateConfig.ini is created whole, Update.txt
// changed in its four keys with every other line kept.
TEST_F(FormGenerateTest, OnlyTheDescriptorPresentCreatesTheConfigAndUpdatesTheDescriptor) {
  put_file(files::update_descriptor_file,
           "; uploaded by hand\r\n[Update]\r\nVersion=1.0\r\nDate=2023-01-01\r\nURL=http://old/a.zip\r\n"
           "Note=old\r\n[Mirror]\r\nURL=http://mirror/\r\n");
  open_and_fill();
  generate();
  EXPECT_EQ(file(files::client_config_file), created_config);
  EXPECT_EQ(file(files::update_descriptor_file),
            "; uploaded by hand\r\n[Update]\r\nVersion=2.22\r\nDate=2024-03-02\r\n"
            "URL=http://example.com/update/sales.rar\r\nNote=Report printing fixed\r\n[Mirror]\r\n"
            "URL=http://mirror/\r\n");
  expect_one_message(closing_report("http://example.com/update/Update.txt", "http://example.com/update/sales.rar"));
}

// Both present: three keys of UpdateConfig.ini change, the two that are
// missing are added, and nothing else moves; the database edits are not used.
TEST_F(FormGenerateTest, BothPresentUpdatesBothInPlace) {
  put_file(files::client_config_file,
           "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=http://old/Update.txt\r\nVersion=1.0\r\n"
           "[Database]\r\nDBMS=ODBC\r\nDatabase=old\r\n");
  put_file(files::update_descriptor_file,
           "[Update]\r\nVersion=1.0\r\nDate=2023-01-01\r\nURL=http://old/a.zip\r\nNote=old\r\n");
  open_and_fill();
  generate();
  EXPECT_EQ(file(files::client_config_file),
            "[Main]\r\nProgramName=Sales.exe\r\n[Update]\r\nURL=http://example.com/update/Update.txt\r\n"
            "Version=1.5\r\nAutoUpdate=1\r\nLastUpdate=2024-03-02 09:05:07\r\n[Database]\r\nDBMS=ODBC\r\n"
            "Database=old\r\n");
  EXPECT_EQ(file(files::update_descriptor_file), created_descriptor);
  expect_one_message(closing_report("http://example.com/update/Update.txt", "http://example.com/update/sales.rar"));
}

// A name taken by a directory cannot be written (even by root); both writers
// still run, and the one box names what was not written instead of the report.
TEST_F(FormGenerateTest, FilesThatCannotBeWrittenAreNamedInsteadOfTheReport) {
  struct Case {
    std::vector<const char*> blocked;
    const char* names;
  };
  const Case cases[] = {
      {{files::client_config_file}, "UpdateConfig.ini"},
      {{files::update_descriptor_file}, "Update.txt"},
      {{files::client_config_file, files::update_descriptor_file}, "UpdateConfig.ini、Update.txt"},
  };
  open_and_fill();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    for (const char* name : {files::client_config_file, files::update_descriptor_file})
      std::filesystem::remove_all(dir->path() / name);
    for (const char* name : c.blocked) std::filesystem::create_directory(dir->path() / name);
    generate();
    expect_one_message(refusal_to_write(c.names));
    if (c.blocked.size() == 1) {
      const bool config_blocked = c.blocked[0] == files::client_config_file;
      EXPECT_EQ(file(config_blocked ? files::update_descriptor_file : files::client_config_file),
                config_blocked ? created_descriptor : created_config);
    }
    EXPECT_TRUE(window->is_open());
  }
}

// In update mode a failing in-place write is reported the same way.
TEST_F(FormGenerateTest, FailedUpdateInPlaceIsNamed) {
  using runtime::testing::ReplacementStep;
  open_and_fill();
  generate();
  // Both files present: the first in-place write is UpdateConfig.ini's.
  runtime::testing::fail_next_replacement_step(ReplacementStep::rename);
  type(*window->sle_6, "1.6");
  generate();
  runtime::testing::fail_next_replacement_step(ReplacementStep::none);
  expect_one_message(refusal_to_write("UpdateConfig.ini"));
  EXPECT_EQ(file(files::update_descriptor_file), created_descriptor);

  // Only Update.txt present: the config is created, the descriptor's update fails.
  std::filesystem::remove(dir->path() / files::client_config_file);
  runtime::testing::fail_next_replacement_step(ReplacementStep::write, files::update_descriptor_file);
  type(*window->sle_6, "1.5");
  type(*window->sle_4, "2.5");
  generate();
  runtime::testing::fail_next_replacement_step(ReplacementStep::none);
  expect_one_message(refusal_to_write("Update.txt"));
  EXPECT_EQ(file(files::client_config_file), created_config);
  EXPECT_TRUE(window->is_open());
}

TEST_F(FormGenerateTest, ReadOnlyDirectoryNamesBothFiles) {
  open_and_fill();
  std::filesystem::permissions(dir->path(), std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_exec);
  {
    // As the publisher, not the superuser, whom the system lets write there.
    const OrdinaryUser user;
    ASSERT_TRUE(user.ok());
    generate();
  }
  expect_one_message(refusal_to_write("UpdateConfig.ini、Update.txt"));
  EXPECT_FALSE(file_present(files::client_config_file));
  EXPECT_FALSE(file_present(files::update_descriptor_file));
}

// Exit closes at once, whatever was typed, by click, Esc or Alt+X.
TEST_F(FormGenerateTest, ExitClosesAtOnceWithoutAsking) {
  const auto exit_by = [this](const char* how) {
    SCOPED_TRACE(how);
    open_form();
    ASSERT_TRUE(window->is_open());
    fill_valid();
    const std::string way = how;
    if (way == "click") {
      click(*window->cb_2);
    } else if (way == "Esc") {
      runtime::setfocus(*window->sle_3);
      press_key(Qt::Key_Escape);
    } else if (way == "Esc in the note") {
      runtime::setfocus(*window->mle_1);
      press_key(Qt::Key_Escape);
    } else {
      runtime::setfocus(*window->sle_2);
      press_key(Qt::Key_X, Qt::AltModifier);
      // A mnemonic animates the press: the click follows some 100 ms later.
      (void)QTest::qWaitFor([this] { return !window->is_open(); }, 1000);
    }
    EXPECT_FALSE(window->is_open());
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(file_present(files::client_config_file));
    EXPECT_FALSE(file_present(files::update_descriptor_file));
    window.reset();
  };
  for (const char* how : {"click", "Esc", "Esc in the note", "Alt+X"}) exit_by(how);
}

}  // namespace
}  // namespace test_support
