#include "runtime/application.h"

#include <QApplication>
#include <memory>

#include "runtime/window.h"

namespace runtime {

int application_run(ApplicationHandlerTable handler_table, void*, void*, std::string_view arguments,
                    int, int, int) {
  static int argc = 1;
  static char program_name[] = "kestrel";
  static char* argv[] = {program_name, nullptr};
  std::unique_ptr<QApplication> own_application;
  if (!QApplication::instance()) own_application = std::make_unique<QApplication>(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);  // the window count decides

  const ApplicationHandlers handlers = handler_table();
  bool completed = handlers.create ? handlers.create() : true;
  if (completed && handlers.open) completed = handlers.open(std::string(arguments));
  if (completed && open_window_count() > 0) QApplication::exec();
  const bool destroyed = handlers.destroy ? handlers.destroy() : true;
  return completed && destroyed ? 0 : 1;
}

}  // namespace runtime
