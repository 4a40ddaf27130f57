// How w_main is built: its control array, what a first start shows in it,
// which label names which field, and what a failing create or tear-down
// leaves behind.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <stdexcept>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "runtime/gbk.h"
#include "runtime/qt/qt_native.h"

namespace test_support {
namespace {

using Member = form::ControlRef form::w_main::*;
struct NamedMember {
  const char* name;
  Member member;
};

#define MEMBER(m) NamedMember{#m, &form::w_main::m}
// The construction order, which is also the order of the control array.
const NamedMember construction_order[] = {
    MEMBER(sle_12), MEMBER(st_30), MEMBER(sle_11), MEMBER(st_29), MEMBER(sle_10), MEMBER(st_28),
    MEMBER(sle_9),  MEMBER(st_27), MEMBER(sle_8),  MEMBER(st_26), MEMBER(sle_7),  MEMBER(st_25),
    MEMBER(st_24),  MEMBER(st_23), MEMBER(st_22),  MEMBER(st_21), MEMBER(st_20),  MEMBER(st_19),
    MEMBER(st_18),  MEMBER(st_17), MEMBER(cb_2),   MEMBER(cb_1),  MEMBER(mle_1),  MEMBER(st_16),
    MEMBER(st_15),  MEMBER(st_14), MEMBER(st_13),  MEMBER(sle_5), MEMBER(st_12),  MEMBER(st_11),
    MEMBER(st_10),  MEMBER(st_8),  MEMBER(st_7),   MEMBER(st_6),  MEMBER(st_5),   MEMBER(sle_2),
    MEMBER(st_4),   MEMBER(st_3),  MEMBER(st_2),   MEMBER(sle_1), MEMBER(st_1),   MEMBER(gb_1),
    MEMBER(gb_2),   MEMBER(sle_3), MEMBER(sle_4),  MEMBER(st_9),  MEMBER(gb_3),   MEMBER(sle_6),
};
#undef MEMBER
constexpr std::size_t gb_1_position = 41;

bool is_edit(const std::string& name) { return name.rfind("sle_", 0) == 0 || name == "mle_1"; }

// Which members hold a control, in construction order.
std::vector<bool> members_held(const form::w_main& window) {
  std::vector<bool> held;
  for (const NamedMember& m : construction_order) held.push_back(window.*m.member != nullptr);
  return held;
}

std::vector<bool> first_n_held(std::size_t n) {
  std::vector<bool> held(std::size(construction_order), false);
  for (std::size_t i = 0; i < n; ++i) held[i] = true;
  return held;
}

// The form with its create event watched: what the members hold right after
// create, before the tear-down of a failed create empties them again.
class WatchedForm : public form::w_main {
 public:
  runtime::WindowHandlers handler_table() override {
    runtime::WindowHandlers handlers = form::getVtableInfo_w_main(*this);
    handlers.create = [this] {
      create_result = create();
      after_create = members_held(*this);
      return create_result;
    };
    return handlers;
  }
  bool create_result = true;
  std::vector<bool> after_create;
};

class FormConstructionTest : public FormTest {
 protected:
  void TearDown() override {
    runtime::testing::hide_control_class("");
    runtime::testing::fail_control_destroy("");
    FormTest::TearDown();
  }

  runtime::Control& named(const char* name) {
    for (const NamedMember& m : construction_order) {
      if (std::string(m.name) == name) return *(window.get()->*m.member);
    }
    throw std::invalid_argument(name);
  }
};

TEST_F(FormConstructionTest, ControlArrayHoldsTheFortyEightControlsInConstructionOrder) {
  open_form();
  ASSERT_EQ(window->control.size(), std::size(construction_order));
  for (std::size_t i = 0; i < window->control.size(); ++i) {
    SCOPED_TRACE(construction_order[i].name);
    const runtime::Control* member = (window.get()->*construction_order[i].member).get();
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(window->control[i], member);
    EXPECT_EQ(window->control[i]->name(), construction_order[i].name);
    EXPECT_EQ(runtime::qt::widget(*member)->parentWidget(), runtime::qt::widget(*window));
    EXPECT_TRUE(runtime::qt::widget(*member)->isVisible());
  }
}

TEST_F(FormConstructionTest, FirstStartLeavesEveryEditEmptyButTheDatabaseDefaults) {
  open_form();
  for (const NamedMember& m : construction_order) {
    const std::string name = m.name;
    if (!is_edit(name)) continue;
    SCOPED_TRACE(name);
    std::string expected;
    if (name == "sle_7") expected = "MSS Microsoft SQL Server";
    if (name == "sle_8") expected = "(local)";
    if (name == "sle_10") expected = "sa";
    EXPECT_EQ(utf8(named(m.name).text()), expected);
  }
}

TEST_F(FormConstructionTest, LabelsGroupBoxesAndButtonsShowTheirTexts) {
  open_form();
  for (const NamedMember& m : construction_order) {
    if (is_edit(m.name)) continue;
    EXPECT_FALSE(named(m.name).text().empty()) << m.name;
  }
  const std::pair<const char*, const char*> texts[] = {
      {"st_1", "更新地址："},
      {"st_24", "主程序数据库连接配置（用于更新数据库）："},
      {"gb_3", "STEP3(发布程序和上传文件):"},
      {"cb_1", "生成配置文件"},
      {"cb_2", "退出(&X)"},
      {"st_19", "客户端需要文件包括：Wrenlet.exe;UpdateConfig.ini;Rar.exe;pbvm90.dll;"},
      {"st_11", "*"},
  };
  for (const auto& [name, text] : texts) {
    EXPECT_EQ(named(name).text(), runtime::gbk(text)) << name;
  }
  // The texts reach the widgets, not only the controls.
  EXPECT_EQ(qobject_cast<QLabel*>(runtime::qt::widget(named("st_1")))->text(), QString::fromUtf8("更新地址："));
}

TEST_F(FormConstructionTest, PasswordEditMasksWhatItHolds) {
  open_form();
  auto* edit = qobject_cast<QLineEdit*>(runtime::qt::widget(*window->sle_11));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
  for (runtime::Control* other : {window->sle_1.get(), window->sle_10.get(), window->sle_12.get()}) {
    EXPECT_EQ(qobject_cast<QLineEdit*>(runtime::qt::widget(*other))->echoMode(), QLineEdit::Normal) << other->name();
  }
}

TEST_F(FormConstructionTest, NoteEditAlwaysShowsAVerticalScrollBar) {
  open_form();
  auto* note = qobject_cast<QPlainTextEdit*>(runtime::qt::widget(*window->mle_1));
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(note->verticalScrollBar()->isVisible());
}

TEST_F(FormConstructionTest, EachLabelIsTheBuddyOfItsField) {
  open_form();
  const std::pair<const char*, const char*> pairs[] = {
      {"sle_1", "st_1"},   {"sle_2", "st_4"},   {"sle_6", "st_22"}, {"sle_7", "st_25"},
      {"sle_8", "st_26"},  {"sle_9", "st_27"},  {"sle_10", "st_28"}, {"sle_11", "st_29"},
      {"sle_12", "st_30"}, {"sle_4", "st_10"},  {"sle_5", "st_12"}, {"sle_3", "st_8"},
      {"mle_1", "st_16"},
  };
  for (const auto& [field, label] : pairs) {
    auto* qlabel = qobject_cast<QLabel*>(runtime::qt::widget(named(label)));
    ASSERT_NE(qlabel, nullptr) << label;
    EXPECT_EQ(qlabel->buddy(), runtime::qt::widget(named(field))) << label << " should name " << field;
  }
}

// A class that cannot be found stops create at the first control of that
// class; the controls made before it stay until the tear-down.
TEST_F(FormConstructionTest, MissingGroupBoxClassStopsCreateAtTheFirstGroupBox) {
  runtime::testing::hide_control_class("groupbox");
  auto watched = std::make_unique<WatchedForm>();
  WatchedForm& form = *watched;
  window = std::move(watched);

  EXPECT_FALSE(runtime::window_open(window));
  EXPECT_FALSE(form.create_result);
  EXPECT_EQ(form.after_create, first_n_held(gb_1_position));
  // The tear-down destroyed what was made and skipped the empty members.
  EXPECT_EQ(members_held(*window), first_n_held(0));
  EXPECT_FALSE(window->is_open());
  EXPECT_EQ(runtime::open_window_count(), 0);
  EXPECT_TRUE(window->control.empty());
}

TEST_F(FormConstructionTest, TearDownOfAFailedCreateStopsAtAControlThatCannotBeDestroyed) {
  runtime::testing::hide_control_class("groupbox");
  runtime::testing::fail_control_destroy("sle_10");  // the fifth control
  EXPECT_FALSE(runtime::window_open(window));
  std::vector<bool> expected = first_n_held(gb_1_position);
  for (std::size_t i = 0; i < 4; ++i) expected[i] = false;
  EXPECT_EQ(members_held(*window), expected);
  EXPECT_EQ(runtime::open_window_count(), 0);
}

TEST_F(FormConstructionTest, CloseDestroysControlsInOrderAndStopsAtOneThatCannotBeDestroyed) {
  open_form();
  runtime::testing::fail_control_destroy("cb_1");
  runtime::window_close(*window);
  EXPECT_FALSE(window->is_open());
  std::vector<bool> expected(std::size(construction_order), true);
  for (std::size_t i = 0; i < 21; ++i) expected[i] = false;  // sle_12 .. cb_2
  EXPECT_EQ(members_held(*window), expected);
}

TEST_F(FormConstructionTest, CloseDestroysEveryControl) {
  open_form();
  runtime::window_close(*window);
  EXPECT_FALSE(window->is_open());
  EXPECT_EQ(members_held(*window), first_n_held(0));
  EXPECT_TRUE(window->control.empty());
}

}  // namespace
}  // namespace test_support
