// A megabyte of text pasted into each edit of the real form through the
// clipboard, then generate: no edit sets a length limit, so each one holds
// the whole paste, every check passes, and both files are written whole with
// exactly what the edit holds.
#include <QApplication>
#include <QTest>

#include <filesystem>
#include <string>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "runtime/files/profile.h"
#include "runtime/windows/qt/qt_native.h"
#include "runtime/text/strings.h"
#include "support/expected_files.h"

namespace test_support {
namespace {

constexpr std::size_t megabyte = 1 << 20;

struct Target {
  form::ControlRef form::w_main::*edit;
  const char* file;
  const char* section;
  const char* key;
  std::string pasted;  // UTF-8
};

std::string repeated(const std::string& unit, std::size_t size) {
  std::string text;
  while (text.size() < size) text += unit;
  return text;
}

class LargeText : public FormTest {
 protected:
  // Replaces what the edit holds by the clipboard's text, with the keys.
  void paste_over(runtime::Control& edit, const std::string& utf8_text) {
    QWidget* widget = runtime::qt::widget(edit);
    widget->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    paste_with_ctrl_v(widget, utf8_text);
  }
};

TEST_F(LargeText, MegabytePastedIntoAnyEditIsWrittenWhole) {
  const std::string chinese = repeated("更新日志测试", megabyte);
  const std::string digits = repeated("1234567890", megabyte);
  const std::string note_lines = repeated("第一行 fixed printing; 版本说明\n", megabyte);
  const Target targets[] = {
      {&form::w_main::sle_1, files::client_config_file, "Update", "URL", "http://example.com/" + digits},
      {&form::w_main::sle_2, files::client_config_file, "Main", "ProgramName", chinese + ".exe"},
      {&form::w_main::sle_6, files::client_config_file, "Update", "Version", digits},
      {&form::w_main::sle_7, files::client_config_file, "Database", "DBMS", chinese},
      {&form::w_main::sle_9, files::client_config_file, "Database", "Database", " " + chinese + " "},
      {&form::w_main::sle_12, files::client_config_file, "Database", "DBParm", digits},
      {&form::w_main::sle_4, files::update_descriptor_file, "Update", "Version", "2." + digits},
      {&form::w_main::sle_5, files::update_descriptor_file, "Update", "Date", chinese},
      {&form::w_main::sle_3, files::update_descriptor_file, "Update", "URL", "http://example.com/" + digits + ".rar"},
      {&form::w_main::mle_1, files::update_descriptor_file, "Update", "Note", note_lines},
  };
  open_form();
  for (const Target& target : targets) {
    SCOPED_TRACE(std::string(target.file) + " " + target.key);
    std::filesystem::remove(files::client_config_file);
    std::filesystem::remove(files::update_descriptor_file);
    fill_valid();
    runtime::Control& edit = *(window.get()->*target.edit);
    paste_over(edit, target.pasted);
    // Nothing was cut off; the note gives its lines back with CR LF.
    std::string pasted;
    for (const char c : runtime::gbk(target.pasted)) pasted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ASSERT_TRUE(edit.text() == pasted) << "the edit holds " << edit.text().size() << " of " << pasted.size() << " bytes";
    messages.clear();
    click(*window->cb_1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.rfind(runtime::gbk(expected_files::report_opening), 0), 0u)
        << utf8(messages[0].text.substr(0, 200));
    ASSERT_TRUE(file_present(files::client_config_file));
    ASSERT_TRUE(file_present(files::update_descriptor_file));
    const std::string held = runtime::string_trim(pasted);
    // The note keeps its lines in the file; the key reads its first one.
    const std::string expected = held.substr(0, held.find_first_of("\r\n"));
    const std::string got = runtime::profile_read(target.file, target.section, target.key, "<absent>");
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);
    if (target.edit == &form::w_main::mle_1) {
      EXPECT_NE(file(target.file).find("Note=" + held), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace test_support
