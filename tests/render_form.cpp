// Renders the configuration form offscreen to a PNG, to look at its layout:
//   QT_QPA_PLATFORM=offscreen render_form form.png [reference.png]
// With a reference picture it also compares the two pixel by pixel and fails,
// naming where they differ, unless they are the same.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <cstdio>

#include "form/w_main.h"
#include "runtime/windows/qt/qt_native.h"

namespace {

// Counts the pixels that differ and the rectangle around them.
bool same_pixels(const QImage& shown, const QImage& reference) {
  if (shown.size() != reference.size()) {
    std::fprintf(stderr, "render_form: %dx%d pixels, the reference %dx%d\n", shown.width(), shown.height(),
                 reference.width(), reference.height());
    return false;
  }
  long differing = 0;
  QRect around;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      if (shown.pixel(x, y) == reference.pixel(x, y)) continue;
      ++differing;
      around |= QRect(x, y, 1, 1);
    }
  }
  if (differing > 0) {
    std::fprintf(stderr, "render_form: %ld pixels differ from the reference, within %dx%d at (%d,%d)\n", differing,
                 around.width(), around.height(), around.x(), around.y());
  }
  return differing == 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const char* target = argc > 1 ? argv[1] : "w_main.png";
  std::unique_ptr<form::w_main> window;
  if (!runtime::window_open(window)) {
    std::fprintf(stderr, "render_form: the form did not open\n");
    return 1;
  }
  QApplication::processEvents();
  const QImage shown = runtime::qt::widget(*window)->grab().toImage();
  if (!shown.save(QString::fromLocal8Bit(target))) {
    std::fprintf(stderr, "render_form: cannot write %s\n", target);
    return 1;
  }
  std::printf("%s\n", target);
  if (argc > 2) {
    const QImage reference(QString::fromLocal8Bit(argv[2]));
    if (reference.isNull()) {
      std::fprintf(stderr, "render_form: cannot read %s\n", argv[2]);
      return 1;
    }
    const QImage::Format format = QImage::Format_ARGB32;
    if (!same_pixels(shown.convertToFormat(format), reference.convertToFormat(format))) return 1;
  }
  return 0;
}
