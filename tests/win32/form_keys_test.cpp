// The keyboard on kestrel.exe, given as a user gives it: where the focus
// starts, Tab and Shift+Tab along the form's chain, Enter and Tab in the
// note, a paste into a one-line field, and the four ways out (Esc, Alt+X,
// the exit button and the window's Close command).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/expected_form.h"
#include "support/temp_dir.h"
#include "win32/kestrel_process.h"

namespace win32_test {
namespace {

// Text on the clipboard, owned by a window of this program (the clipboard
// takes data only from an owner).
void put_on_clipboard(const std::wstring& text) {
  const HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, memory));
  CloseClipboard();
}

class FormKeysTest : public ::testing::Test {
 protected:
  test_support::TempWorkingDir dir;
  KestrelProcess program{dir.path()};
};

TEST_F(FormKeysTest, FocusStartsInTheUpdateAddressAndTabGoesRoundTheChainBothWays) {
  const auto chain = expected_form::tab_chain();
  EXPECT_EQ(program.focused(), "sle_1");
  ASSERT_EQ(program.focused(), chain.front());

  std::vector<std::string> forward = {program.focused()};
  for (std::size_t i = 0; i < chain.size(); ++i) {
    program.move_focus(VK_TAB);
    forward.push_back(program.focused());
  }
  std::vector<std::string> expected(chain.begin(), chain.end());
  expected.push_back(chain.front());
  EXPECT_EQ(forward, expected);

  std::vector<std::string> backward = {program.focused()};
  for (std::size_t i = 0; i < chain.size(); ++i) {
    program.move_focus(VK_TAB, {VK_SHIFT});
    backward.push_back(program.focused());
  }
  std::reverse(expected.begin(), expected.end());
  EXPECT_EQ(backward, expected);
  EXPECT_FALSE(program.message_box()) << "Tab pressed no button";
}

TEST_F(FormKeysTest, EnterMakesANewLineInTheNoteAndTabLeavesIt) {
  program.replace_text("mle_1", "第一行\n第二行");
  EXPECT_FALSE(program.message_box()) << "Enter in the note generated";
  program.move_focus(VK_TAB);
  const auto chain = expected_form::tab_chain();
  const auto note = std::find(chain.begin(), chain.end(), std::string("mle_1"));
  ASSERT_NE(note + 1, chain.end());
  EXPECT_EQ(program.focused(), *(note + 1));
  EXPECT_EQ(program.text("mle_1"), "第一行\r\n第二行") << "Tab typed nothing into the note";
}

TEST_F(FormKeysTest, PasswordFieldTakesWhatIsTypedAndAPasteKeepsOnlyItsFirstLine) {
  program.replace_text("sle_11", "密码 s3cret");  // waits until the edit holds it
  put_on_clipboard(L"first line\r\nsecond line");
  program.replace_text("sle_9", "");
  program.press('V', {VK_CONTROL});
  EXPECT_TRUE(wait_until([&] { return program.text("sle_9") == "first line"; })) << program.text("sle_9");
}

// Each way out ends the program at once with exit code 0, asks nothing and
// writes nothing (generate would have refused with a box), wherever the
// focus is.
struct WayOut {
  const char* name;
  const char* focus;  // where the focus is first
  void (*leave)(const KestrelProcess&);
};

void PrintTo(const WayOut& way, std::ostream* out) { *out << way.name; }

const WayOut ways_out[] = {
    {"EscInTheNote", "mle_1", [](const KestrelProcess& p) { p.press(VK_ESCAPE); }},
    {"AltXInAnEdit", "sle_3", [](const KestrelProcess& p) { p.press('X', {VK_MENU}); }},
    {"ExitButton", "sle_1", [](const KestrelProcess& p) { p.click("cb_2"); }},
    // Enter presses the focused button, not the default one.
    {"EnterOnTheExitButton", "mle_1",
     [](const KestrelProcess& p) {
       p.move_focus(VK_TAB, {VK_SHIFT});
       EXPECT_EQ(p.focused(), "cb_2");
       p.press(VK_RETURN);
     }},
    {"CloseCommand", "sle_5",
     [](const KestrelProcess& p) { PostMessageW(p.form(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

class WayOutTest : public FormKeysTest, public ::testing::WithParamInterface<WayOut> {};

TEST_P(WayOutTest, EndsTheProgramWithExitCodeZero) {
  program.replace_text(GetParam().focus, "1");
  GetParam().leave(program);
  EXPECT_EQ(program.wait_for_exit(), 0);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "a file was written";
}

INSTANTIATE_TEST_SUITE_P(Ways, WayOutTest, ::testing::ValuesIn(ways_out),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace win32_test
