// A release through kestrel.exe's real window, as a publisher makes it:
// the fields typed, generate pressed, the closing report read off the real
// message box and dismissed, both files checked byte for byte and read back
// through the Windows profile API as the update client reads them; the next
// start fills the form from them. And each of the twelve checks as the form
// shows it: its message in a box with an empty title, the focus on its field.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "runtime/text/gbk.h"
#include "support/check_steps.h"
#include "support/expected_files.h"
#include "support/profile_api.h"
#include "support/temp_dir.h"
#include "win32/kestrel_process.h"

namespace win32_test {
namespace {

using runtime::gbk;

// What the publisher types, by field (UTF-8; LF is Enter in the note).
const std::map<std::string, std::string> typed = {
    {"sle_1", "  http://例子.com/更新/Update.txt "}, {"sle_2", "销售系统.exe"},
    {"sle_6", "1.5"},
    {"sle_7", "MSS Microsoft SQL Server"},  // the preset, typed over
    {"sle_8", "(local)"},
    {"sle_9", "销售库"},
    {"sle_10", "sa"},
    {"sle_11", "密码 1"},
    {"sle_12", ""},
    {"sle_4", "2.22"},
    {"sle_5", "2024年3月2日"},
    {"sle_3", "http://例子.com/升级包.rar"},
    {"mle_1", "修正打印\n第二行"},
};

// The two files of that release; LastUpdate is the moment of writing.
std::string config_file(const std::string& last_update) {
  return expected_files::created_config({.program = "销售系统.exe", .url = "http://例子.com/更新/Update.txt",
                                         .last_update = last_update, .database = "销售库", .password = "密码 1"});
}

std::string descriptor_file(const char* version, const char* note = "修正打印\r\n第二行") {
  return expected_files::created_descriptor({version, "2024年3月2日", "http://例子.com/升级包.rar", note});
}

std::string local_date() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
  return date;
}

// Generates with Enter in the focused edit and dismisses the closing report.
void generate(const KestrelProcess& program) {
  program.press(VK_RETURN);
  const ShownBox report = program.wait_for_message_box();
  EXPECT_EQ(report.owner, program.form());
  EXPECT_EQ(report.title, "");
  // The message box shows each of the report's line breaks as CR LF.
  EXPECT_EQ(report.text, expected_files::closing_report_utf8(typed.at("sle_1"), typed.at("sle_3"), "\r\n"));
  EXPECT_EQ(report.buttons, 1);
  program.dismiss(report);
}

TEST(FormRelease, GenerateWritesBothFilesAsTypedAndTheNextStartTakesThemUp) {
  ASSERT_EQ(GetACP(), 936u) << "the update client reads the files in code page 936";
  test_support::TempWorkingDir dir;
  std::string config;
  {
    KestrelProcess program(dir.path());
    for (const auto& [field, text] : typed) program.replace_text(field, text);
    program.replace_text("sle_5", typed.at("sle_5"));  // Enter in a one-line edit generates
    const std::string day_before = local_date();
    generate(program);
    const std::string day_after = local_date();

    config = test_support::read_bytes("UpdateConfig.ini");
    const std::smatch stamp = [&] {
      std::smatch m;
      std::regex_search(config, m, std::regex("LastUpdate=(\\d{4}-\\d\\d-\\d\\d) \\d\\d:\\d\\d:\\d\\d\r\n"));
      return m;
    }();
    ASSERT_FALSE(stamp.empty()) << config;
    EXPECT_TRUE(stamp[1] == day_before || stamp[1] == day_after) << stamp[1];
    EXPECT_EQ(config, config_file(stamp.str().substr(11, 19)));
    EXPECT_EQ(test_support::read_bytes("Update.txt"), descriptor_file("2.22"));

    const struct {
      const char *file, *section, *key, *value;
    } read_back[] = {
        {"UpdateConfig.ini", "Main", "ProgramName", "销售系统.exe"},
        {"UpdateConfig.ini", "Update", "URL", "http://例子.com/更新/Update.txt"},
        {"UpdateConfig.ini", "Update", "Version", "1.5"},
        {"UpdateConfig.ini", "Update", "AutoUpdate", "1"},
        {"UpdateConfig.ini", "Database", "DBMS", "MSS Microsoft SQL Server"},
        {"UpdateConfig.ini", "Database", "ServerName", "(local)"},
        {"UpdateConfig.ini", "Database", "Database", "销售库"},
        {"UpdateConfig.ini", "Database", "LogID", "sa"},
        {"UpdateConfig.ini", "Database", "LogPass", "密码 1"},
        {"UpdateConfig.ini", "Database", "DBParm", ""},
        {"Update.txt", "Update", "Version", "2.22"},
        {"Update.txt", "Update", "Date", "2024年3月2日"},
        {"Update.txt", "Update", "URL", "http://例子.com/升级包.rar"},
        {"Update.txt", "Update", "Note", "修正打印"},
    };
    for (const auto& r : read_back)
      EXPECT_EQ(test_support::profile_api_read(r.file, r.section, r.key), gbk(r.value)) << r.file << " " << r.key;
    EXPECT_EQ(test_support::profile_api_read("UpdateConfig.ini", "Update", "LastUpdate"), stamp.str().substr(11, 19));

    EXPECT_EQ(program.focused(), "sle_5") << "the report leaves the focus where it was";
    EXPECT_TRUE(program.running()) << "the form stays open for the next generation";
  }

  // The next release: the form opens with what the files hold, the database
  // fields with their presets.
  KestrelProcess program(dir.path());
  const std::map<std::string, std::string> shown = {
      {"sle_1", "http://例子.com/更新/Update.txt"}, {"sle_2", "销售系统.exe"}, {"sle_6", "1.5"},
      {"sle_4", "2.22"}, {"sle_5", "2024年3月2日"}, {"sle_3", "http://例子.com/升级包.rar"},
      {"mle_1", "修正打印"}, {"sle_7", "MSS Microsoft SQL Server"}, {"sle_8", "(local)"},
      {"sle_9", ""}, {"sle_10", "sa"}, {"sle_11", ""}, {"sle_12", ""},
  };
  for (const auto& [field, text] : shown) EXPECT_EQ(program.text(field), text) << field;

  // Only the newest version changes: Update.txt is edited in place (the
  // note as the form showed it: its first line, the earlier second line
  // gone with the old note), and UpdateConfig.ini, whose values are the
  // same, keeps every byte.
  program.replace_text("sle_4", "2.23");
  program.press(VK_RETURN);
  const ShownBox report = program.wait_for_message_box();
  EXPECT_EQ(report.text.substr(0, report.text.find('\r')), expected_files::report_opening);
  program.dismiss(report);
  EXPECT_EQ(test_support::read_bytes("Update.txt"), descriptor_file("2.23", "修正打印"));
  EXPECT_EQ(test_support::read_bytes("UpdateConfig.ini"), config);
  program.press(VK_ESCAPE);
  EXPECT_EQ(program.wait_for_exit(), 0);
}

// From an empty form, each step of the walk sets its field to the failing
// text and the fields the checks look at before it to valid ones, then
// presses Enter there.
TEST(FormChecks, EachFailedCheckShowsItsMessageInABoxAndPutsTheFocusOnItsField) {
  test_support::TempWorkingDir dir;
  KestrelProcess program(dir.path());
  const auto order = check_steps::required_fields();
  std::map<std::string, std::string> holds;
  for (const char* field : order) holds[field] = "";

  for (const check_steps::Step& step : check_steps::steps()) {
    SCOPED_TRACE("step " + std::to_string(step.step));
    for (const char* field : order) {
      if (field == std::string(step.field)) break;
      if (holds[field] != check_steps::valid_text(field))
        program.replace_text(field, holds[field] = check_steps::valid_text(field));
    }
    if (holds[step.field] != step.failing_text || program.focused() != step.field)
      program.replace_text(step.field, holds[step.field] = step.failing_text);

    program.press(VK_RETURN);
    const ShownBox box = program.wait_for_message_box();
    EXPECT_EQ(box.owner, program.form());
    EXPECT_EQ(box.title, "");
    EXPECT_EQ(box.text, step.message);
    EXPECT_EQ(box.buttons, 1);
    program.dismiss(box);
    EXPECT_TRUE(wait_until([&] { return program.focused() == step.field; })) << "focus in " << program.focused();
    EXPECT_FALSE(program.message_box()) << "a second box";
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a refusal wrote a file";
}

}  // namespace
}  // namespace win32_test
