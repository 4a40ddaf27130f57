// The floor for the start-up figure: the least a Qt Widgets program does to
// show a window, one empty QWidget of the form's size, quitting at its first
// paint exactly as kestrel_startup does.
//   empty_window WIDTH HEIGHT [--stages] [--memory-map] [--exit-at-main]
#include <QApplication>
#include <QWidget>

#include <cstdlib>

#include "bench/startup_programs/first_paint.h"

int main(int argc, char** argv) {
  bench::mark_stage("main");
  const bench::Options options = bench::parse_options(argc, argv);
  if (options.exit_at_main) return 0;
  int code = 0;
  {
    QApplication application(argc, argv);
    bench::mark_stage("toolkit_ready");
    const int width = argc > 2 ? std::atoi(argv[1]) : 640;
    const int height = argc > 2 ? std::atoi(argv[2]) : 480;
    QWidget window;
    window.setFixedSize(width, height);
    application.installEventFilter(
        new bench::FirstPaintQuit([&window] { return &window; }, [&window] { window.close(); }, options));
    bench::arm_watchdog(20000);
    window.show();
    code = QApplication::exec();
  }
  bench::mark_stage("ended");
  if (options.stages) bench::print_stages();
  return code;
}
