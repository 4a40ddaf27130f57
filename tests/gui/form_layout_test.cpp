// Where w_main and its controls sit and how they look: the window's size,
// frame and place, each control's pixel rectangle, the stacking of
// overlapping controls, fonts and colours as rendered.
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "runtime/windows/window_units.h"
#include "runtime/windows/qt/qt_native.h"
#include "support/expected_form.h"

namespace test_support {
namespace {

// Pixel rectangles at 96 dpi: x and width * 7 / 32, y and height / 4, rounded.
struct PixelBox {
  const char* name;
  int x, y, width, height;
};
const PixelBox rects_at_96_dpi[] = {
    {"sle_12", 71, 241, 365, 21}, {"sle_11", 267, 215, 169, 21}, {"cb_2", 828, 287, 91, 24},
    {"cb_1", 732, 287, 91, 24},   {"mle_1", 521, 162, 364, 37},  {"gb_1", 5, 4, 445, 272},
    {"gb_2", 455, 4, 465, 203},   {"gb_3", 455, 210, 465, 66},   {"sle_1", 71, 20, 364, 21},
    {"st_1", 12, 25, 64, 12},     {"st_9", 622, 25, 287, 12},    {"st_11", 614, 25, 11, 12},
    {"st_13", 622, 49, 280, 12},  {"st_14", 614, 49, 11, 12},    {"sle_6", 71, 99, 91, 21},
};

// The outer size of 4247 x 1384 units at 96 dpi.
constexpr int outer_width_96 = expected_form::window_width_96;
constexpr int outer_height_96 = expected_form::window_height_96;

// The edits, and the red markers beside the required ones.
std::vector<const char*> fields() {
  std::vector<const char*> names;
  for (const expected_form::Control& row : expected_form::controls()) {
    if (expected_form::is_edit(row)) names.push_back(row.name);
  }
  return names;
}
std::vector<const char*> markers() {
  std::vector<const char*> names;
  for (const expected_form::Control& row : expected_form::controls()) {
    if (row.textcolor == expected_form::red) names.push_back(row.name);
  }
  return names;
}

class FormLayoutTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    open_form();
  }

  QWidget* widget(const std::string& name) const { return runtime::qt::widget(named(name)); }
  QRect rect(const std::string& name) const { return widget(name)->geometry(); }

  // Pixels of the rendered window inside `area` that `is_ink` accepts.
  int ink_pixels(const QRect& area, const std::function<bool(QColor)>& is_ink) const {
    const QImage image = runtime::qt::widget(*window)->grab().toImage();
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
      for (int x = inside.left(); x <= inside.right(); ++x) count += is_ink(image.pixelColor(x, y));
    }
    return count;
  }
};

// Text is drawn smoothed, so its edge pixels blend with the grey background:
// a colour is recognised by which channel dominates. Blue blended with grey
// keeps its blue channel near the top; navy darkens it.
int most_of(int a, int b) { return std::max(a, b); }
bool red_ink(QColor c) {
  return c.red() >= 220 && c.red() - most_of(c.green(), c.blue()) >= 60 && std::abs(c.green() - c.blue()) <= 25;
}
bool blue_ink(QColor c) {
  return c.blue() >= 220 && c.blue() - most_of(c.red(), c.green()) >= 60 && std::abs(c.red() - c.green()) <= 25;
}
bool navy_ink(QColor c) {
  return c.blue() <= 200 && c.blue() - most_of(c.red(), c.green()) >= 40 && std::abs(c.red() - c.green()) <= 25;
}

TEST_F(FormLayoutTest, WindowHasAFixedSizeWithAMinimiseBoxButNoMaximiseBox) {
  QWidget* w = runtime::qt::widget(*window);
  EXPECT_EQ(w->minimumSize(), w->size());
  EXPECT_EQ(w->maximumSize(), w->size());
  const Qt::WindowFlags flags = w->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
}

TEST_F(FormLayoutTest, OuterSizeIncludesFrameAndTitleBarAndTheClientAreaHoldsEveryControl) {
  ASSERT_DOUBLE_EQ(window->logical_dpi(), 96.0) << "the offscreen screen is expected at 96 dpi";
  const QSize client = runtime::qt::widget(*window)->size();
  // The frame takes a few pixels on each side, the title bar more at the top.
  EXPECT_GT(outer_width_96 - client.width(), 0);
  EXPECT_LE(outer_width_96 - client.width(), 16);
  EXPECT_GE(outer_height_96 - client.height(), 19);
  EXPECT_LE(outer_height_96 - client.height(), 40);
  for (const runtime::Control* control : window->control) {
    EXPECT_TRUE(runtime::qt::widget(*window)->rect().contains(runtime::qt::widget(*control)->geometry()))
        << control->name() << " lies outside the client area";
  }
}

TEST_F(FormLayoutTest, WindowIsCentredOnTheScreen) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect frame = runtime::qt::widget(*window)->frameGeometry();  // the outer window
  const QRect available = screen->availableGeometry();
  EXPECT_LE(std::abs(frame.center().y() - available.center().y()), 1);
  if (frame.width() <= available.width()) {
    EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 1);
  } else {
    // The offscreen screen is narrower than the form, and the platform pulls a
    // window that sticks out back by a pixel or two: it overhangs both sides.
    EXPECT_LT(frame.left(), available.left());
    EXPECT_GT(frame.right(), available.right());
    EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 2);
  }
}

TEST_F(FormLayoutTest, TitleIsTheProgramNameWithTheAuthorCreditAndTheIconIsSet) {
  const QString title = runtime::qt::widget(*window)->windowTitle();
  const QRegularExpression pattern(QString::fromUtf8("^Wrenlet配置程序[(（][^()（）]+[)）]$"));
  EXPECT_TRUE(pattern.match(title).hasMatch()) << title.toStdString();
  EXPECT_FALSE(runtime::qt::widget(*window)->windowIcon().isNull());
}

TEST_F(FormLayoutTest, ControlsSitAtTheirUnitsConvertedToPixels) {
  ASSERT_DOUBLE_EQ(window->logical_dpi(), 96.0) << "the offscreen screen is expected at 96 dpi";
  for (const PixelBox& box : rects_at_96_dpi) {
    EXPECT_EQ(rect(box.name), QRect(box.x, box.y, box.width, box.height)) << box.name;
  }
}

TEST(WindowUnitsTest, PixelsScaleWithTheLogicalDpi) {
  // sle_12 at 325, 964, 1669 x 84 units.
  const runtime::PixelRect at_120 = runtime::WindowUnits(120.0).rect(325, 964, 1669, 84);
  EXPECT_EQ(at_120.x, 89);
  EXPECT_EQ(at_120.y, 301);
  EXPECT_EQ(at_120.width, 456);
  EXPECT_EQ(at_120.height, 26);
  const runtime::PixelRect at_192 = runtime::WindowUnits(192.0).rect(325, 964, 1669, 84);
  EXPECT_EQ(at_192.x, 142);
  EXPECT_EQ(at_192.y, 482);
  EXPECT_EQ(at_192.width, 730);
  EXPECT_EQ(at_192.height, 42);
  // 32 units are one average character, 64 one character height.
  EXPECT_EQ(runtime::WindowUnits(96.0).x_pixels(32), 7);
  EXPECT_EQ(runtime::WindowUnits(96.0).y_pixels(64), 16);
}

TEST_F(FormLayoutTest, BroughtToTopControlsLieAboveTheOthersAndEarlierAboveLater) {
  const std::span<const char* const> stacking = expected_form::top_to_bottom();
  const std::vector<std::string> expected_top_down(stacking.begin(), stacking.end());
  // The parent keeps its children bottom to top.
  std::vector<std::string> top_down;
  const QObjectList& children = runtime::qt::widget(*window)->children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if ((*it)->isWidgetType()) top_down.push_back((*it)->objectName().toStdString());
  }
  EXPECT_EQ(top_down, expected_top_down);
}

TEST_F(FormLayoutTest, NoFieldIsHiddenByItsLabelOrGroupBox) {
  for (const char* name : fields()) {
    QWidget* field = widget(name);
    const QRect r = field->geometry();
    for (const QPoint point : {r.center(), QPoint(r.left() + 1, r.center().y()),
                               QPoint(r.right() - 1, r.center().y())}) {
      QWidget* found = runtime::qt::widget(*window)->childAt(point);
      EXPECT_TRUE(found == field || field->isAncestorOf(found))
          << name << " is covered at (" << point.x() << "," << point.y() << ") by "
          << (found ? found->objectName().toStdString() : "nothing");
    }
  }
}

TEST_F(FormLayoutTest, ExplanationsLieAboveTheirMarkersWhoseStarsStayVisible) {
  for (const auto& [marker, explanation] : {std::pair{"st_11", "st_9"}, std::pair{"st_14", "st_13"}}) {
    const QRect star = rect(marker);
    const QRect text = rect(explanation);
    ASSERT_TRUE(star.intersects(text)) << marker;
    const QRect overlap = star.intersected(text);
    EXPECT_EQ(runtime::qt::widget(*window)->childAt(overlap.center()), widget(explanation)) << marker;
    const QRect uncovered(star.left(), star.top(), text.left() - star.left(), star.height());
    EXPECT_EQ(runtime::qt::widget(*window)->childAt(uncovered.center()), widget(marker)) << marker;
    EXPECT_GT(ink_pixels(uncovered, red_ink), 0) << marker << "'s star is not visible";
  }
}

TEST_F(FormLayoutTest, FontsAreNinePointSongWithBoldGroupBoxCaptions) {
  const QRegularExpression song_face(QStringLiteral("SimSun|宋体|Song|Ming"),
                                     QRegularExpression::CaseInsensitiveOption);
  for (const runtime::Control* control : window->control) {
    SCOPED_TRACE(control->name());
    const QFont font = runtime::qt::widget(*control)->font();
    // SimSun, or where it is missing its installed stand-in, asked for by name.
    EXPECT_TRUE(song_face.match(font.family()).hasMatch()) << font.family().toStdString();
    EXPECT_EQ(font.pointSize(), 9);
    const bool group_box = qobject_cast<QGroupBox*>(runtime::qt::widget(*control)) != nullptr;
    EXPECT_EQ(font.weight(), group_box ? QFont::Bold : QFont::Normal);
    const QFontInfo rendered(font);
    EXPECT_EQ(rendered.family(), font.family());
    EXPECT_EQ(rendered.pointSize(), 9);
  }
}

TEST_F(FormLayoutTest, MarkersAreRedTheDatabaseHeadingBlueAndGroupBoxCaptionsNavy) {
  for (const char* marker : markers()) {
    EXPECT_EQ(widget(marker)->palette().color(QPalette::WindowText), QColor(255, 0, 0)) << marker;
  }
  EXPECT_EQ(widget("st_24")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
  EXPECT_EQ(widget("st_1")->palette().color(QPalette::WindowText),
            runtime::qt::widget(*window)->palette().color(QPalette::WindowText));

  // As rendered: the markers outside the two overlaps show red ink...
  for (const char* marker : {"st_2", "st_5", "st_21", "st_15"}) {
    EXPECT_GT(ink_pixels(rect(marker), red_ink), 0) << marker;
  }
  // ...the heading blue ink, an ordinary label neither.
  EXPECT_GT(ink_pixels(rect("st_24"), blue_ink), 0);
  EXPECT_EQ(ink_pixels(rect("st_1"), red_ink), 0);
  EXPECT_EQ(ink_pixels(rect("st_1"), blue_ink), 0);
  // The captions sit in the top line of each group box.
  for (const char* box : {"gb_1", "gb_2", "gb_3"}) {
    const QRect r = rect(box);
    const QRect caption(r.left(), r.top(), r.width(), widget(box)->fontMetrics().height() + 2);
    EXPECT_GT(ink_pixels(caption, navy_ink), 0) << box;
  }
}

TEST_F(FormLayoutTest, MinimiseAndRestoreLeaveTheLayoutUnchanged) {
  std::map<std::string, QRect> before;
  for (const runtime::Control* control : window->control) before[control->name()] = runtime::qt::widget(*control)->geometry();
  const QSize size_before = runtime::qt::widget(*window)->size();

  runtime::qt::widget(*window)->showMinimized();
  QApplication::processEvents();
  runtime::qt::widget(*window)->showNormal();
  QApplication::processEvents();

  EXPECT_TRUE(window->is_open());
  EXPECT_FALSE(runtime::qt::widget(*window)->isMinimized());
  EXPECT_EQ(runtime::qt::widget(*window)->size(), size_before);
  for (const runtime::Control* control : window->control) {
    EXPECT_EQ(runtime::qt::widget(*control)->geometry(), before[control->name()]) << control->name();
    EXPECT_TRUE(runtime::qt::widget(*control)->isVisible()) << control->name();
  }
}

}  // namespace
}  // namespace test_support
