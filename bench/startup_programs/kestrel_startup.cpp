// The tool's whole start-up, built from the same code as the tool: the
// runtime makes the toolkit application, the application object's create
// and open run, the form's create and open run and it is shown. At the
// form's first paint the form is closed through the runtime, so its destroy
// and the application's destroy run and the process ends as the tool would.
//   kestrel_startup [--print-size] [--stages] [--memory-map] [--exit-at-main]
#include <QApplication>
#include <QWidget>

#include "app/kestrel.h"
#include "bench/startup_programs/first_paint.h"
#include "runtime/windows/application.h"
#include "runtime/windows/qt/qt_native.h"

namespace {

bench::Options options;

QWidget* form_widget() { return app::w_main ? runtime::qt::widget(*app::w_main) : nullptr; }

void close_form() {
  if (app::w_main && app::w_main->is_open()) runtime::window_close(*app::w_main);
}

// The application's own handler table; fetching it is the first thing the
// runtime does once the toolkit application exists, so the watcher goes in
// here, before the form is made.
runtime::ApplicationHandlers handlers_watched_for_first_paint() {
  bench::mark_stage("toolkit_ready");
  QApplication::instance()->installEventFilter(new bench::FirstPaintQuit(form_widget, close_form, options));
  bench::arm_watchdog(20000);
  return app::getVtableInfo_kestrel();
}

}  // namespace

int main(int argc, char** argv) {
  bench::mark_stage("main");
  options = bench::parse_options(argc, argv);
  if (options.exit_at_main) return 0;
  constexpr int show_default = 10;
  const int code = runtime::application_run(handlers_watched_for_first_paint, nullptr, nullptr, "",
                                            show_default, 1000, 1);
  bench::mark_stage("ended");
  if (options.stages) bench::print_stages();
  return code;
}
