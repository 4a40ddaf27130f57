// Renders the configuration form offscreen to a PNG, to look at its layout:
//   QT_QPA_PLATFORM=offscreen render_form form.png
#include <QApplication>
#include <QPixmap>
#include <QWidget>
#include <cstdio>

#include "form/w_main.h"
#include "runtime/qt/qt_native.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const char* target = argc > 1 ? argv[1] : "w_main.png";
  std::unique_ptr<form::w_main> window;
  if (!runtime::window_open(window)) {
    std::fprintf(stderr, "render_form: the form did not open\n");
    return 1;
  }
  QApplication::processEvents();
  if (!runtime::qt::widget(*window)->grab().save(QString::fromLocal8Bit(target))) {
    std::fprintf(stderr, "render_form: cannot write %s\n", target);
    return 1;
  }
  std::printf("%s\n", target);
  return 0;
}
