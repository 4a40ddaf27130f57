// The generate button's refusals on the real form: the twelve checks and the
// check that every text to be written can be saved in GBK. A refusal shows
// one box, moves the focus to the field and writes nothing.
#include <vector>

#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "form_fixture.h"
#include "runtime/windows/control.h"
#include "runtime/text/gbk.h"
#include "support/check_steps.h"
#include "support/expected_files.h"

namespace test_support {
namespace {

using Member = form::ControlRef form::w_main::*;
using form::w_main;

class FormChecksTest : public FormTest {
 protected:
  runtime::Control& field(Member member) { return *(window.get()->*member); }

  // Clicks generate (which also puts the focus on it) and expects a single
  // refusal naming `message`, with the focus moved to `field_name`.
  void expect_refusal(const char* message_utf8, const char* field_name) {
    messages.clear();
    click(*window->cb_1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "");
    EXPECT_EQ(utf8(messages[0].text), message_utf8);
    EXPECT_EQ(messages[0].text, runtime::gbk(message_utf8));
    EXPECT_EQ(messages[0].focus_when_shown, "cb_1");
    EXPECT_EQ(focused_name(), field_name);
  }

  void expect_nothing_written() {
    EXPECT_FALSE(file_present(files::client_config_file));
    EXPECT_FALSE(file_present(files::update_descriptor_file));
  }

  // A text that passes the field's own checks but that GBK cannot hold.
  static std::string gbk_free_text(const runtime::Control& edit) {
    const std::string& name = edit.name();
    if (name == "sle_1") return "http://example.com/😀/Update.txt";
    if (name == "sle_2") return "Sales😀.exe";
    if (name == "sle_3") return "http://example.com/😀/sales.zip";
    return "x😀";
  }

  bool generate_succeeds() {
    messages.clear();
    click(*window->cb_1);
    return messages.size() == 1 && messages[0].title.empty() &&
           messages[0].text.rfind(runtime::gbk(expected_files::report_opening), 0) == 0;
  }
};

TEST_F(FormChecksTest, EachStepRefusesOnceAndMovesTheFocusToItsField) {
  open_form();
  for (const check_steps::Step& s : check_steps::steps()) {
    SCOPED_TRACE(std::string(s.field) + " = \"" + s.failing_text + "\"");
    fill_valid();
    type(named(s.field), s.failing_text);
    expect_refusal(s.message, s.field);
    expect_nothing_written();
  }
  EXPECT_TRUE(window->is_open());
}

TEST_F(FormChecksTest, RefusalLeavesExistingFilesByteForByte) {
  const std::string config = "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=http://old/\r\nVersion=1\r\n";
  const std::string descriptor = "[Update]\r\nVersion=1\r\nDate=2020-01-01\r\nURL=http://old/a.zip\r\nNote=x\r\n";
  put_file(files::client_config_file, config);
  put_file(files::update_descriptor_file, descriptor);
  open_form();
  fill_valid();
  type(*window->sle_3, "http://example.com/sales.cab");
  expect_refusal("升级包必须是压缩文件，请重新输入！", "sle_3");
  fill_valid();
  type_unicode(*window->mle_1, "Fixed 😀");
  expect_refusal("附加说明：含有无法保存的字符，请重新输入！", "mle_1");
  EXPECT_EQ(file(files::client_config_file), config);
  EXPECT_EQ(file(files::update_descriptor_file), descriptor);
}

struct BoundaryCase {
  Member member;
  const char* text;     // UTF-8
  const char* refusal;  // nullptr: generation succeeds
};

TEST_F(FormChecksTest, BoundariesOfTheChecksOnTheForm) {
  const BoundaryCase cases[] = {
      {&w_main::sle_1, "   ", "更新地址格式错误，请重新输入！"},
      {&w_main::sle_1, "www.example.com/Update.txt", "更新地址格式错误，请重新输入！"},
      {&w_main::sle_1, "HTTP://example.com/Update.txt", nullptr},
      {&w_main::sle_1, "Http://example.com/Update.txt", nullptr},
      {&w_main::sle_1, "http://", nullptr},
      {&w_main::sle_1, "http:/x", "更新地址格式错误，请重新输入！"},
      {&w_main::sle_2, "  ", "程序名称必须为可执行文件，请重新输入！"},
      {&w_main::sle_2, "SALES.EXE", nullptr},
      {&w_main::sle_2, "Sales.Exe", nullptr},
      {&w_main::sle_2, "exe", nullptr},
      {&w_main::sle_2, "ex", "程序名称必须为可执行文件，请重新输入！"},
      {&w_main::sle_2, "Sales.bat", "程序名称必须为可执行文件，请重新输入！"},
      {&w_main::sle_2, "Sales.exe ", nullptr},
      {&w_main::sle_6, " ", "程序版本必须为数字，请重新输入！"},
      {&w_main::sle_6, "v2.22", "程序版本必须为数字，请重新输入！"},
      {&w_main::sle_6, "1.5.1", "程序版本必须为数字，请重新输入！"},
      {&w_main::sle_4, " ", "最新版本必须为数字，请重新输入！"},
      {&w_main::sle_4, "v2.22", "最新版本必须为数字，请重新输入！"},
      {&w_main::sle_4, "0.5", nullptr},  // lower than the program version
      {&w_main::sle_5, "   ", nullptr},
      {&w_main::sle_3, "  ", "升级包下载地址格式错误，请重新输入！"},
      {&w_main::sle_3, "http://example.com/sales.RAR", nullptr},
      {&w_main::sle_3, "HTTP://example.com/sales.Zip", nullptr},
      {&w_main::sle_3, "http://example.com/ra", "升级包必须是压缩文件，请重新输入！"},
      {&w_main::sle_3, "ra", "升级包下载地址格式错误，请重新输入！"},
      {&w_main::sle_3, "ftp://example.com/sales.rar", "升级包下载地址格式错误，请重新输入！"},
      {&w_main::sle_3, "http://example.com/sales.exe", "升级包必须是压缩文件，请重新输入！"},
  };
  open_form();
  for (const BoundaryCase& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    fill_valid();
    type(field(c.member), c.text);
    if (c.refusal) {
      expect_refusal(c.refusal, field(c.member).name().c_str());
    } else {
      EXPECT_TRUE(generate_succeeds());
      EXPECT_TRUE(file_present(files::client_config_file));
    }
  }
}

// Enter in any single-line edit presses generate; in the note it breaks the line.
TEST_F(FormChecksTest, EnterInASingleLineEditRunsTheChecks) {
  open_form();
  const Member edits[] = {&w_main::sle_1, &w_main::sle_2, &w_main::sle_6, &w_main::sle_4,
                          &w_main::sle_5, &w_main::sle_3, &w_main::sle_7, &w_main::sle_12};
  for (const Member member : edits) {
    SCOPED_TRACE(field(member).name());
    fill_valid();
    type(*window->sle_2, "Sales.dll");
    messages.clear();
    runtime::setfocus(field(member));
    press_key(Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(utf8(messages[0].text), "程序名称必须为可执行文件，请重新输入！");
    EXPECT_EQ(messages[0].focus_when_shown, field(member).name());
    EXPECT_EQ(focused_name(), "sle_2");
  }
  messages.clear();
  runtime::setfocus(*window->mle_1);
  press_key(Qt::Key_Return);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(window->mle_1->text(), "\r\n");
  expect_nothing_written();
}

struct OutsideGbkCase {
  Member member;
  const char* text;   // UTF-8, with a character GBK lacks
  const char* label;  // the field's label
};

TEST_F(FormChecksTest, TextsOutsideGbkAreRefusedByTheirLabel) {
  const OutsideGbkCase cases[] = {
      {&w_main::sle_1, "http://example.com/😀/Update.txt", "更新地址："},
      {&w_main::sle_2, "Sales😀.exe", "程序名称："},
      {&w_main::sle_7, "MSS 😀", "DBMS："},
      {&w_main::sle_8, "(local)😀", "服务器名："},
      {&w_main::sle_9, "sales😀", "数据库名："},
      {&w_main::sle_10, "sa😀", "登陆ID："},
      {&w_main::sle_11, "pass😀", "登陆密码："},
      {&w_main::sle_12, "Timeout=😀", "DBParm："},
      {&w_main::sle_5, "2024-03-02 😀", "更新日期："},
      {&w_main::sle_3, "http://example.com/😀.rar", "升级包下载地址："},
      {&w_main::mle_1, "Report printing fixed.\n😀", "附加说明："},
  };
  open_form();
  for (const OutsideGbkCase& c : cases) {
    SCOPED_TRACE(field(c.member).name());
    fill_valid();
    type_unicode(field(c.member), c.text);
    expect_refusal((std::string(c.label) + "含有无法保存的字符，请重新输入！").c_str(),
                   field(c.member).name().c_str());
    expect_nothing_written();
    type(field(c.member), "");
  }
}

// With two such fields the earlier in the field map is named.
TEST_F(FormChecksTest, OutsideGbkRefusesTheFirstFieldInMapOrder) {
  struct Pair {
    Member first, second;
    const char* message;
  };
  const Pair pairs[] = {
      {&w_main::sle_1, &w_main::mle_1, "更新地址：含有无法保存的字符，请重新输入！"},
      {&w_main::sle_2, &w_main::sle_7, "程序名称：含有无法保存的字符，请重新输入！"},
      {&w_main::sle_12, &w_main::sle_5, "DBParm：含有无法保存的字符，请重新输入！"},
      {&w_main::sle_5, &w_main::sle_3, "更新日期：含有无法保存的字符，请重新输入！"},
      {&w_main::sle_3, &w_main::mle_1, "升级包下载地址：含有无法保存的字符，请重新输入！"},
  };
  open_form();
  for (const Pair& p : pairs) {
    SCOPED_TRACE(field(p.first).name());
    fill_valid();
    // Typed in reverse order, so the order of typing cannot decide.
    type_unicode(field(p.second), gbk_free_text(field(p.second)));
    type_unicode(field(p.first), gbk_free_text(field(p.first)));
    expect_refusal(p.message, field(p.first).name().c_str());
    expect_nothing_written();
    type(field(p.first), "");
    type(field(p.second), "");
  }
}

// Update mode leaves the database section alone, so its fields are not asked.
TEST_F(FormChecksTest, UpdateModeDoesNotRefuseTheDatabaseFields) {
  const std::string config =
      "[Main]\r\nProgramName=Old.exe\r\n[Update]\r\nURL=http://old/\r\nVersion=1\r\n"
      "[Database]\r\nDatabase=old\r\n";
  put_file(files::client_config_file, config);
  open_form();
  fill_valid();
  type_unicode(*window->sle_9, "sales😀");
  type_unicode(*window->mle_1, "😀");
  expect_refusal("附加说明：含有无法保存的字符，请重新输入！", "mle_1");
  EXPECT_EQ(file(files::client_config_file), config);
  EXPECT_FALSE(file_present(files::update_descriptor_file));

  type(*window->mle_1, "");
  EXPECT_TRUE(generate_succeeds());
  const std::string written = file(files::client_config_file);
  EXPECT_NE(written.find("\r\n[Database]\r\nDatabase=old\r\n"), std::string::npos) << written;
  EXPECT_EQ(written.find('?'), std::string::npos) << written;
}

}  // namespace
}  // namespace test_support
