#include "runtime/windows/application.h"

#include "runtime/windows/toolkit.h"
#include "runtime/windows/window.h"

namespace runtime {

int application_run(ApplicationHandlerTable handler_table, void*, void*, std::string_view arguments,
                    int, int, int) {
  const toolkit::ApplicationScope toolkit_application;
  const ApplicationHandlers handlers = handler_table();
  bool completed = handlers.create ? handlers.create() : true;
  if (completed && handlers.open) completed = handlers.open(std::string(arguments));
  if (completed && open_window_count() > 0) toolkit::run_until_quit();
  const bool destroyed = handlers.destroy ? handlers.destroy() : true;
  return completed && destroyed ? 0 : 1;
}

}  // namespace runtime
