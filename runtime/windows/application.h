#pragma once
// Running the application object: its handler table, its three events, and
// the user interface in between.
#include <functional>
#include <string>
#include <string_view>

namespace runtime {

struct ApplicationHandlers {
  std::function<bool()> create;
  std::function<bool(const std::string& commandline)> open;
  std::function<bool()> destroy;
};

using ApplicationHandlerTable = ApplicationHandlers (*)();

// Fetches the application's handler table, raises create, then open with the
// argument text; runs the user interface until no window is open; raises
// destroy. A create or open that fails ends the run at once (destroy still
// runs). Returns the exit code: 0, or 1 when a handler reported a failure.
// The two trailing values are kept for the process entry's sake and have no
// meaning here.
int application_run(ApplicationHandlerTable handler_table, void* instance, void* previous_instance,
                     std::string_view arguments, int show_state, int reserved_a, int reserved_b);

}  // namespace runtime
