// The window carries the program's own icon: the sizes title bars and task
// bars draw, each with the pixels of the icon file made for the menu at that
// size, so both come from the same drawing.
#include <QIcon>
#include <QImage>
#include <QWidget>

#include <algorithm>

#include "form_fixture.h"
#include "runtime/windows/qt/qt_native.h"

#ifdef KESTREL_ICON_DIR
namespace test_support {
namespace {

using WindowIconTest = FormTest;

TEST_F(WindowIconTest, IsTheProgramsIconAtFourSizesWithThePixelsOfItsFiles) {
  open_form();
  const QIcon icon = runtime::qt::widget(*window)->windowIcon();
  QList<QSize> sizes = icon.availableSizes();
  std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
  EXPECT_EQ(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {64, 64}}));
  for (const QSize& size : sizes) {
    const QImage file(QStringLiteral(KESTREL_ICON_DIR "/%1x%1/kestrel.png").arg(size.width()));
    ASSERT_FALSE(file.isNull()) << size.width();
    const QImage shown = icon.pixmap(size).toImage();
    const QImage::Format format = QImage::Format_ARGB32_Premultiplied;
    EXPECT_EQ(shown.convertToFormat(format), file.convertToFormat(format)) << size.width();
  }
}

}  // namespace
}  // namespace test_support
#endif
