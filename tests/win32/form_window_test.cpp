// The form as kestrel.exe shows it on Windows, seen from another program:
// its 48 controls with their window classes, styles, texts and places in
// window units, their stacking (which also decides what is drawn and
// clicked where controls overlap), the window's frame, title and place, the
// colours on the screen, and a minimise and restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "runtime/text/wide_text.h"
#include "support/expected_form.h"
#include "support/temp_dir.h"
#include "win32/kestrel_process.h"
#include "win32/screen_pixels.h"

namespace win32_test {
namespace {

using expected_form::Control;

std::wstring class_of(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  CharUpperW(name);
  return name;
}

LONG style_of(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }
LONG ex_style_of(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

// Window units at 96 dpi, where the system font is 7 x 16 pixels: 32
// horizontal units are 7 pixels, 4 vertical units one pixel.
RECT pixels_of(const Control& c) {
  const auto x = [](int units) { return static_cast<LONG>(std::lround(units * 7.0 / 32.0)); };
  const auto y = [](int units) { return static_cast<LONG>(std::lround(units / 4.0)); };
  return {x(c.x), y(c.y), x(c.x) + x(c.width), y(c.y) + y(c.height)};
}

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

class FormWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = std::make_unique<test_support::TempWorkingDir>();
    program = std::make_unique<KestrelProcess>(dir->path());
  }
  static void TearDownTestSuite() {
    program.reset();
    dir.reset();
  }
  void SetUp() override { ASSERT_NE(program->form(), nullptr); }

  static std::unique_ptr<test_support::TempWorkingDir> dir;
  static std::unique_ptr<KestrelProcess> program;
};

std::unique_ptr<test_support::TempWorkingDir> FormWindowTest::dir;
std::unique_ptr<KestrelProcess> FormWindowTest::program;

TEST_F(FormWindowTest, EachControlIsAWindowOfItsKindWithItsTextAndPlace) {
  HDC screen = GetDC(nullptr);
  ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96) << "the places below are pixels at 96 dpi";
  ReleaseDC(nullptr, screen);
  const std::map<std::string, std::wstring> window_class = {
      {"singlelineedit", L"EDIT"}, {"multilineedit", L"EDIT"}, {"statictext", L"STATIC"},
      {"groupbox", L"BUTTON"},     {"commandbutton", L"BUTTON"}};
  int children = 0;
  for (HWND child = GetWindow(program->form(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++children;
  EXPECT_EQ(children, 48);

  for (const Control& c : expected_form::controls()) {
    SCOPED_TRACE(c.name);
    const HWND hwnd = program->control(c.name);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(class_of(hwnd), window_class.at(c.kind));
    EXPECT_EQ(program->text(c.name), c.text);
    const RECT expected = pixels_of(c), shown = program->client_rect(c.name);
    EXPECT_EQ(shown.left, expected.left);
    EXPECT_EQ(shown.top, expected.top);
    EXPECT_EQ(shown.right, expected.right);
    EXPECT_EQ(shown.bottom, expected.bottom);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    // The Tab chain is the form's own; WS_TABSTOP marks its stops for tools.
    EXPECT_EQ((style_of(hwnd) & WS_TABSTOP) != 0, c.taborder > 0 && std::string(c.kind) != "statictext" &&
                                                      std::string(c.kind) != "groupbox");
    if (expected_form::is_edit(c)) {
      EXPECT_TRUE(ex_style_of(hwnd) & WS_EX_CLIENTEDGE) << "lowered border";
      EXPECT_GT(SendMessageW(hwnd, EM_GETLIMITTEXT, 0, 0), 0x7FFF0000) << "no length limit";
      EXPECT_EQ((style_of(hwnd) & ES_PASSWORD) != 0, (c.flags & expected_form::password) != 0);
      EXPECT_EQ((style_of(hwnd) & ES_MULTILINE) != 0, std::string(c.kind) == "multilineedit");
    }
  }
  const LONG note = style_of(program->control("mle_1"));
  EXPECT_TRUE(note & ES_WANTRETURN) << "Enter makes a new line";
  EXPECT_TRUE(note & WS_VSCROLL);
  EXPECT_NE(SendMessageW(program->control("sle_11"), EM_GETPASSWORDCHAR, 0, 0), 0) << "typing shows masks";
  for (const char* box : {"gb_1", "gb_2", "gb_3"}) EXPECT_EQ(style_of(program->control(box)) & 0xF, BS_GROUPBOX);
  EXPECT_EQ(style_of(program->control("cb_1")) & 0xF, BS_DEFPUSHBUTTON);
  EXPECT_EQ(style_of(program->control("cb_2")) & 0xF, BS_PUSHBUTTON);
}

TEST_F(FormWindowTest, ControlsAreStackedAsTheFormSays) {
  std::vector<std::string> top_down;
  for (HWND child = GetWindow(program->form(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    top_down.push_back(program->name_of(child));
  const auto expected = expected_form::top_to_bottom();
  EXPECT_EQ(top_down, std::vector<std::string>(expected.begin(), expected.end()));
}

TEST_F(FormWindowTest, WindowHasItsTitleAFixedFrameAMinimiseBoxAndNoMaximiseBox) {
  const HWND form = program->form();
  wchar_t title[256] = {};
  GetWindowTextW(form, title, 256);
  EXPECT_TRUE(std::regex_match(title, std::wregex(L"Wrenlet配置程序[(（][^()（）]+[)）]"))) << runtime::narrow_text(title);
  const LONG style = style_of(form);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME) << "the border cannot be dragged";

  // 4247 x 1384 units are about 929 x 346 pixels, frame and title bar included.
  RECT outer{}, client{};
  GetWindowRect(form, &outer);
  GetClientRect(form, &client);
  EXPECT_NEAR(outer.right - outer.left, expected_form::window_width_96, 6);
  EXPECT_NEAR(outer.bottom - outer.top, expected_form::window_height_96, 10);
  for (const Control& c : expected_form::controls())
    EXPECT_TRUE(contains(client, program->client_rect(c.name))) << c.name << " lies outside the client area";

  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 2) << "centred across";
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 2) << "centred down";
}

// Text is drawn smoothed: a colour is recognised by the channel that
// dominates its pixels.
bool red_ink(Rgb c) { return c.red >= 200 && c.red - std::max(c.green, c.blue) >= 60 && std::abs(c.green - c.blue) <= 25; }
bool blue_ink(Rgb c) { return c.blue >= 200 && c.blue - std::max(c.red, c.green) >= 60 && std::abs(c.red - c.green) <= 25; }
bool navy_ink(Rgb c) { return c.blue <= 200 && c.blue - std::max(c.red, c.green) >= 40 && std::abs(c.red - c.green) <= 25; }

TEST_F(FormWindowTest, MarkersAreRedTheDatabaseHeadingBlueAndGroupBoxCaptionsNavy) {
  ASSERT_EQ(GetForegroundWindow(), program->form()) << "the form must be on top to be read off the screen";
  const ScreenPixels pixels(program->form());
  for (const char* marker : {"st_2", "st_5", "st_21", "st_15", "st_11", "st_14"})
    EXPECT_GT(pixels.count(program->client_rect(marker), red_ink), 0) << marker;
  EXPECT_GT(pixels.count(program->client_rect("st_24"), blue_ink), 0);
  for (const char* label : {"st_1", "st_24"}) EXPECT_EQ(pixels.count(program->client_rect(label), red_ink), 0) << label;
  EXPECT_EQ(pixels.count(program->client_rect("st_1"), blue_ink), 0);
  EXPECT_EQ(pixels.count(program->client_rect("st_1"), navy_ink), 0);
  for (const char* box : {"gb_1", "gb_2", "gb_3"}) {
    RECT caption = program->client_rect(box);
    caption.bottom = caption.top + 14;  // the caption's line
    EXPECT_GT(pixels.count(caption, navy_ink), 0) << box;
  }
}

TEST_F(FormWindowTest, MinimiseAndRestoreLeaveTheLayoutAndTheFocus) {
  std::map<std::string, RECT> before;
  for (const Control& c : expected_form::controls()) before[c.name] = program->client_rect(c.name);
  const std::string focus = program->focused();
  ShowWindow(program->form(), SW_MINIMIZE);
  ASSERT_TRUE(wait_until([&] { return IsIconic(program->form()) != FALSE; }));
  ShowWindow(program->form(), SW_RESTORE);
  ASSERT_TRUE(wait_until([&] { return !IsIconic(program->form()); }));
  SetForegroundWindow(program->form());
  for (const Control& c : expected_form::controls()) {
    const RECT now = program->client_rect(c.name), then = before[c.name];
    EXPECT_TRUE(EqualRect(&now, &then)) << c.name;
  }
  EXPECT_TRUE(wait_until([&] { return program->focused() == focus; })) << "focus " << program->focused();
  EXPECT_TRUE(program->running());
}

}  // namespace
}  // namespace win32_test
