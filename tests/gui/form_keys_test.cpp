// The keyboard on w_main: where the focus starts, the Tab sequence, and the
// keys that press the generate and exit buttons from anywhere in the form.
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "runtime/text/gbk.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

std::vector<std::string> expected_tab_chain() {
  const std::span<const char* const> chain = expected_form::tab_chain();
  return {chain.begin(), chain.end()};
}

class FormKeysTest : public FormTest {
 protected:
  void focus(const std::string& name) {
    runtime::qt::widget(named(name))->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(focused_name(), name);
  }
};

TEST_F(FormKeysTest, FocusStartsInTheUpdateAddress) {
  open_form();
  EXPECT_EQ(focused_name(), "sle_1");
}

TEST_F(FormKeysTest, TabVisitsEditsAndButtonsByTabOrderAndWrapsAround) {
  open_form();
  const std::vector<std::string> chain = expected_tab_chain();
  ASSERT_EQ(chain.size(), 15u);
  ASSERT_EQ(focused_name(), chain.front());
  std::vector<std::string> visited = {focused_name()};
  for (std::size_t i = 1; i <= chain.size(); ++i) {
    press_key(Qt::Key_Tab);
    visited.push_back(focused_name());
  }
  std::vector<std::string> expected = chain;
  expected.push_back(chain.front());
  EXPECT_EQ(visited, expected);
}

TEST_F(FormKeysTest, ShiftTabVisitsTheSameStopsBackwards) {
  open_form();
  std::vector<std::string> expected = expected_tab_chain();
  expected.push_back(expected.front());
  std::reverse(expected.begin(), expected.end());  // sle_1, sle_9, sle_8, ... sle_1
  std::vector<std::string> visited = {focused_name()};
  for (std::size_t i = 1; i < expected.size(); ++i) {
    press_key(Qt::Key_Tab, Qt::ShiftModifier);
    visited.push_back(focused_name());
  }
  EXPECT_EQ(visited, expected);
}

TEST_F(FormKeysTest, LabelsAndGroupBoxesNeverTakeTheFocus) {
  open_form();
  for (const expected_form::Control& row : expected_form::controls()) {
    const std::string kind = row.kind;
    const bool focusable = runtime::qt::widget(named(row.name))->focusPolicy() != Qt::NoFocus;
    EXPECT_EQ(focusable, kind != "statictext" && kind != "groupbox") << row.name;
  }
}

TEST_F(FormKeysTest, PasswordEditKeepsWhatWasTypedButShowsMasks) {
  open_form();
  focus("sle_11");
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("s3cret!"));
  EXPECT_EQ(utf8(window->sle_11->text()), "s3cret!");
  const auto* edit = qobject_cast<QLineEdit*>(runtime::qt::widget(*window->sle_11));
  EXPECT_NE(edit->displayText(), QStringLiteral("s3cret!"));
  EXPECT_EQ(edit->displayText().size(), 7);
}

// Enter in a single-line edit presses generate; with every field empty its
// first check refuses once.
class EnterInEditTest : public FormKeysTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EnterInEditTest, RunsTheGenerateHandlerOnce) {
  open_form();
  for (const char* name : {"sle_7", "sle_8", "sle_10"}) type(named(name), "");
  focus(GetParam());
  press_key(Qt::Key_Return);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "");
  EXPECT_EQ(utf8(messages[0].text), "请输入更新地址！");
  EXPECT_TRUE(window->is_open());
}

INSTANTIATE_TEST_SUITE_P(SingleLineEdits, EnterInEditTest,
                         ::testing::Values("sle_1", "sle_2", "sle_3", "sle_4", "sle_5", "sle_6",
                                           "sle_7", "sle_8", "sle_9", "sle_10", "sle_11", "sle_12"),
                         [](const auto& info) { return std::string(info.param); });

TEST_F(FormKeysTest, KeypadEnterAlsoRunsTheGenerateHandler) {
  open_form();
  press_key(Qt::Key_Enter, Qt::KeypadModifier);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(utf8(messages[0].text), "请输入更新地址！");
}

// Esc and Alt+X press exit, wherever the focus is.
struct ExitKey {
  const char* focus;
  int key;
  int modifiers;
  const char* label;
};

void PrintTo(const ExitKey& key, std::ostream* out) { *out << key.label << " in " << key.focus; }

class ExitKeyTest : public FormKeysTest, public ::testing::WithParamInterface<ExitKey> {};

TEST_P(ExitKeyTest, ClosesTheWindow) {
  open_form();
  focus(GetParam().focus);
  press_key(GetParam().key, GetParam().modifiers);
  // A mnemonic presses its button the way a click does, released a moment later.
  EXPECT_TRUE(QTest::qWaitFor([this] { return !window->is_open(); }, 1000));
  EXPECT_EQ(runtime::open_window_count(), 0);
  EXPECT_TRUE(messages.empty());
}

std::vector<ExitKey> exit_keys() {
  std::vector<ExitKey> keys;
  for (const char* name : {"sle_1", "sle_2", "sle_3", "sle_4", "sle_5", "sle_6", "sle_7", "sle_8",
                           "sle_9", "sle_10", "sle_11", "sle_12", "mle_1", "cb_1"}) {
    keys.push_back({name, Qt::Key_Escape, Qt::NoModifier, "Esc"});
    keys.push_back({name, Qt::Key_X, Qt::AltModifier, "AltX"});
  }
  return keys;
}

INSTANTIATE_TEST_SUITE_P(AnyFocus, ExitKeyTest, ::testing::ValuesIn(exit_keys()),
                         [](const auto& info) {
                           return std::string(info.param.label) + "_in_" + info.param.focus;
                         });

}  // namespace
}  // namespace test_support
