// How w_main is built: its control array, what a first start shows in it,
// which label names which field, and what a failing create or tear-down
// leaves behind.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

using Member = form::ControlRef form::w_main::*;

#define MEMBER(m) {#m, &form::w_main::m}
// The window's member for each control; the construction order is the table's.
const std::map<std::string, Member> members = {
    MEMBER(sle_1),  MEMBER(sle_2),  MEMBER(sle_3),  MEMBER(sle_4),  MEMBER(sle_5),  MEMBER(sle_6),
    MEMBER(sle_7),  MEMBER(sle_8),  MEMBER(sle_9),  MEMBER(sle_10), MEMBER(sle_11), MEMBER(sle_12),
    MEMBER(mle_1),  MEMBER(cb_1),   MEMBER(cb_2),   MEMBER(gb_1),   MEMBER(gb_2),   MEMBER(gb_3),
    MEMBER(st_1),   MEMBER(st_2),   MEMBER(st_3),   MEMBER(st_4),   MEMBER(st_5),   MEMBER(st_6),
    MEMBER(st_7),   MEMBER(st_8),   MEMBER(st_9),   MEMBER(st_10),  MEMBER(st_11),  MEMBER(st_12),
    MEMBER(st_13),  MEMBER(st_14),  MEMBER(st_15),  MEMBER(st_16),  MEMBER(st_17),  MEMBER(st_18),
    MEMBER(st_19),  MEMBER(st_20),  MEMBER(st_21),  MEMBER(st_22),  MEMBER(st_23),  MEMBER(st_24),
    MEMBER(st_25),  MEMBER(st_26),  MEMBER(st_27),  MEMBER(st_28),  MEMBER(st_29),  MEMBER(st_30),
};
#undef MEMBER

const std::span<const expected_form::Control> table = expected_form::controls();

// Where a control stands in the construction order.
std::size_t position(const char* name) { return &expected_form::control(name) - table.data(); }

// Which members hold a control, in construction order.
std::vector<bool> members_held(const form::w_main& window) {
  std::vector<bool> held;
  for (const expected_form::Control& row : table) held.push_back(window.*members.at(row.name) != nullptr);
  return held;
}

std::vector<bool> first_n_held(std::size_t n) {
  std::vector<bool> held(table.size(), false);
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

  runtime::Control& named(const char* name) { return *(window.get()->*members.at(name)); }
};

TEST_F(FormConstructionTest, ControlArrayHoldsTheFortyEightControlsInConstructionOrder) {
  open_form();
  ASSERT_EQ(window->control.size(), 48u);
  for (std::size_t i = 0; i < window->control.size(); ++i) {
    SCOPED_TRACE(table[i].name);
    const runtime::Control* member = (window.get()->*members.at(table[i].name)).get();
    ASSERT_NE(member, nullptr);
    EXPECT_EQ(window->control[i], member);
    EXPECT_EQ(window->control[i]->name(), table[i].name);
    EXPECT_EQ(runtime::qt::widget(*member)->parentWidget(), runtime::qt::widget(*window));
    EXPECT_TRUE(runtime::qt::widget(*member)->isVisible());
  }
}

TEST_F(FormConstructionTest, EachControlIsMadeWithTheKindPlaceTabOrderFlagsAndColourOfTheTable) {
  open_form();
  for (const expected_form::Control& row : table) {
    SCOPED_TRACE(row.name);
    const runtime::ControlProperties& p = named(row.name).properties();
    EXPECT_EQ(p.kind, row.kind);
    EXPECT_EQ(std::vector<int>({p.x, p.y, p.width, p.height}), std::vector<int>({row.x, row.y, row.width, row.height}));
    EXPECT_EQ(p.taborder, row.taborder);
    EXPECT_EQ(p.bringtotop, (row.flags & expected_form::bringtotop) != 0);
    EXPECT_EQ(p.password, (row.flags & expected_form::password) != 0);
    EXPECT_EQ(p.vscrollbar, (row.flags & expected_form::vscrollbar) != 0);
    EXPECT_EQ(p.is_default, (row.flags & expected_form::default_button) != 0);
    EXPECT_EQ(p.cancel, (row.flags & expected_form::cancel_button) != 0);
    if (row.textcolor != expected_form::system_colours) {
      EXPECT_EQ(p.textcolor, row.textcolor);
    }
  }
}

TEST_F(FormConstructionTest, FirstStartLeavesEveryEditEmptyButTheDatabaseDefaults) {
  open_form();
  for (const expected_form::Control& row : table) {
    if (!expected_form::is_edit(row)) continue;
    EXPECT_EQ(utf8(named(row.name).text()), row.text) << row.name;
  }
}

TEST_F(FormConstructionTest, LabelsGroupBoxesAndButtonsShowTheirTexts) {
  open_form();
  for (const expected_form::Control& row : table) {
    if (expected_form::is_edit(row)) continue;
    SCOPED_TRACE(row.name);
    EXPECT_EQ(named(row.name).text(), runtime::gbk(row.text));
    // The texts reach the widgets, not only the controls.
    const QWidget* widget = runtime::qt::widget(named(row.name));
    QString shown;
    if (auto* label = qobject_cast<const QLabel*>(widget)) shown = label->text();
    if (auto* box = qobject_cast<const QGroupBox*>(widget)) shown = box->title();
    if (auto* button = qobject_cast<const QPushButton*>(widget)) shown = button->text();
    EXPECT_EQ(shown.toStdString(), row.text);
  }
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
  for (const auto& [field, label] : expected_form::field_labels()) {
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
  EXPECT_EQ(form.after_create, first_n_held(position("gb_1")));
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
  std::vector<bool> expected = first_n_held(position("gb_1"));
  for (std::size_t i = 0; i < position("sle_10"); ++i) expected[i] = false;
  EXPECT_EQ(members_held(*window), expected);
  EXPECT_EQ(runtime::open_window_count(), 0);
}

TEST_F(FormConstructionTest, CloseDestroysControlsInOrderAndStopsAtOneThatCannotBeDestroyed) {
  open_form();
  runtime::testing::fail_control_destroy("cb_1");
  runtime::window_close(*window);
  EXPECT_FALSE(window->is_open());
  std::vector<bool> expected(table.size(), true);
  for (std::size_t i = 0; i < position("cb_1"); ++i) expected[i] = false;  // sle_12 .. cb_2
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
