// The open event: seven edits take up the values of the last release from
// UpdateConfig.ini and Update.txt; the database edits keep their presets.
#include <filesystem>
#include <vector>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "support/expected_files.h"

namespace test_support {
namespace {

class FormPrefillTest : public FormTest {
 protected:
  // The seven pre-filled edits in reading order, as UTF-8.
  std::vector<std::string> prefilled() const {
    std::vector<std::string> texts;
    for (const auto* edit : {&window->sle_2, &window->sle_1, &window->sle_6, &window->sle_4,
                             &window->sle_5, &window->sle_3, &window->mle_1})
      texts.push_back(utf8((*edit)->text()));
    return texts;
  }

  void expect_database_presets() {
    EXPECT_EQ(window->sle_7->text(), "MSS Microsoft SQL Server");
    EXPECT_EQ(window->sle_8->text(), "(local)");
    EXPECT_EQ(window->sle_9->text(), "");
    EXPECT_EQ(window->sle_10->text(), "sa");
    EXPECT_EQ(window->sle_11->text(), "");
    EXPECT_EQ(window->sle_12->text(), "");
  }

  // Opens as the program does at start: no message, focus in the first edit.
  void open_quietly() {
    open_form();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(focused_name(), "sle_1");
  }
};

using Texts = std::vector<std::string>;

TEST_F(FormPrefillTest, WithoutFilesEverythingStaysEmptyAndNothingIsCreated) {
  open_quietly();
  EXPECT_EQ(prefilled(), Texts(7, ""));
  expect_database_presets();
  EXPECT_FALSE(file_present(files::client_config_file));
  EXPECT_FALSE(file_present(files::update_descriptor_file));
}

// Each value comes from its own file and section; names match in any letter
// case; blanks around a value go, blanks inside stay; nothing is checked or
// trimmed further, and the files are left as they were.
TEST_F(FormPrefillTest, ReadsEachValueFromItsFileAndSection) {
  const std::string config = runtime::gbk(
      "[MAIN]\r\nProgramName = 销售 系统.exe \r\n[UPDATE]\r\nurl=http://example.com/u/Update.txt\r\n"
      "VERSION=v1.5\r\nLastUpdate=2024-01-01 00:00:00\r\n[Database]\r\nDBMS=ODBC\r\nServerName=db01\r\n"
      "Database=sales\r\nLogID=admin\r\nLogPass=secret\r\nDBParm=Timeout=5\r\n");
  const std::string descriptor = runtime::gbk(
      "[update]\r\nVersion=2.22\r\nDate=二〇二四年三月\r\nURL=HTTP://example.com/u/Sales.ZIP\r\n"
      "Note=  Report  printing fixed.  \r\n");
  put_file(files::client_config_file, config);
  put_file(files::update_descriptor_file, descriptor);
  open_quietly();
  EXPECT_EQ(prefilled(), (Texts{"销售 系统.exe", "http://example.com/u/Update.txt", "v1.5", "2.22",
                                "二〇二四年三月", "HTTP://example.com/u/Sales.ZIP", "Report  printing fixed."}));
  expect_database_presets();
  EXPECT_EQ(file(files::client_config_file), config);
  EXPECT_EQ(file(files::update_descriptor_file), descriptor);
}

// A missing file, section or key leaves its edit empty: values are never
// taken from the other file or another section, and no date is made up.
TEST_F(FormPrefillTest, MissingFileSectionOrKeyGivesAnEmptyEdit) {
  put_file(files::client_config_file,
           "[Update]\r\nProgramName=Wrong.exe\r\nURL=http://example.com/u/Update.txt\r\n"
           "Date=2024-03-02\r\nNote=wrong\r\n");
  put_file(files::update_descriptor_file, "[Main]\r\nVersion=9\r\n[Release]\r\nDate=2024-03-02\r\n");
  open_quietly();
  EXPECT_EQ(prefilled(), (Texts{"", "http://example.com/u/Update.txt", "", "", "", "", ""}));

  // Only Update.txt, its section present but the note missing.
  runtime::window_close(*window);
  window.reset();
  std::filesystem::remove(dir->path() / files::client_config_file);
  put_file(files::update_descriptor_file, "[Update]\r\nVersion=3\r\nURL=http://example.com/u/a.rar\r\n");
  open_quietly();
  EXPECT_EQ(prefilled(), (Texts{"", "", "", "3", "", "http://example.com/u/a.rar", ""}));
}

// A generation followed by a new start of the form: the trimmed values come
// back, the note only with its first line (a key's value is one line).
TEST_F(FormPrefillTest, ReopenedAfterGenerationShowsTheWrittenValues) {
  open_form();
  type(*window->sle_1, "  http://example.com/update/Update.txt  ");
  type(*window->sle_2, " Sales.exe ");
  type(*window->sle_6, " 1.5");
  type(*window->sle_4, "2.22 ");
  type(*window->sle_5, " 2024-03-02 ");
  type(*window->sle_3, "  http://example.com/update/sales.rar ");
  type(*window->mle_1, "Report printing fixed.\r\nFaster start.");
  type(*window->sle_9, "sales");
  type(*window->sle_10, "admin");
  click(*window->cb_1);
  ASSERT_EQ(messages.size(), 1u);
  ASSERT_EQ(utf8(messages[0].text).rfind(expected_files::report_opening, 0), 0u) << utf8(messages[0].text);

  runtime::window_close(*window);
  window.reset();
  messages.clear();
  open_quietly();
  EXPECT_EQ(prefilled(), (Texts{"Sales.exe", "http://example.com/update/Update.txt", "1.5", "2.22",
                                "2024-03-02", "http://example.com/update/sales.rar",
                                "Report printing fixed."}));
  expect_database_presets();
}

}  // namespace
}  // namespace test_support
