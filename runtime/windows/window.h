#pragma once
// Top-level windows: their properties, their handler table, their control
// array, and opening and closing them.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/windows/control.h"
#include "runtime/windows/native.h"
#include "runtime/windows/window_units.h"

namespace runtime {

struct WindowProperties {
  int width = 0;   // outer size in window units, frame and title bar included
  int height = 0;
  std::string title;  // GBK
  bool center = true;
  bool titlebar = true;
  bool controlmenu = true;
  bool minbox = true;
  bool maxbox = false;
  bool resizable = false;
  long backcolor = colour_button_face;
  std::string icon = "AppIcon!";
};

// What the runtime raises on a window: its events and the clicked events of
// its buttons, by control name. Each returns true when it completed.
struct WindowHandlers {
  std::function<bool()> create;
  std::function<bool()> open;
  std::function<bool()> destroy;
  std::map<std::string, std::function<bool()>> clicked;
};

class Window {
 public:
  explicit Window(WindowProperties properties);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The window's handler table, fetched before any of its events is raised.
  virtual WindowHandlers handler_table() = 0;

  // The controls the window displays; their order sets the stacking order.
  std::vector<Control*> control;

  const WindowProperties& properties() const { return properties_; }
  bool is_open() const { return open_; }
  const WindowUnits& units() const { return units_; }
  double logical_dpi() const { return logical_dpi_; }

  // The toolkit's window; only the window backend looks inside.
  NativeWindow& native() const { return *native_; }

  // Called by the window backend: the window's Close command was given (the
  // destroy event runs), or a button of the window was activated.
  void handle_close();
  void handle_click(const std::string& control_name);

 private:
  friend bool window_open_instance(Window& window);
  void arrange_controls();
  bool tear_down();

  WindowProperties properties_;
  WindowHandlers handlers_;
  double logical_dpi_;
  WindowUnits units_;
  NativeWindowPtr native_;
  bool open_ = false;
};

// Creates the window's controls (its create event), runs its open event and
// shows it centred, with the focus in the first control of the tab order.
bool window_open_instance(Window& window);

// Opens the window that the variable names, making it first when it is empty.
template <class W>
bool window_open(std::unique_ptr<W>& window) {
  if (!window) window = std::make_unique<W>();
  return window_open_instance(*window);
}

// Closes the window: its destroy event runs; when no window is left open the
// application ends.
bool window_close(Window& window);

// How many windows are open.
int open_window_count();

}  // namespace runtime
