#pragma once
// What the runtime's window services ask of the window toolkit. Each window
// backend implements these once (qt/ on Qt; win32/ on the Win32 API); the
// shared code in runtime/windows decides everything else: handler order, the
// stacking and tab order, texts in GBK. Texts cross here as UTF-8. Only
// runtime/windows includes this header.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/windows/control.h"
#include "runtime/windows/native.h"
#include "runtime/windows/window.h"

namespace runtime::toolkit {

// The toolkit's application for the length of application_run; a scope
// that finds one already running (tests make their own) leaves it be.
class ApplicationScope {
 public:
  ApplicationScope();
  ~ApplicationScope();
  ApplicationScope(const ApplicationScope&) = delete;
  ApplicationScope& operator=(const ApplicationScope&) = delete;

 private:
  void* own_ = nullptr;
};

// Runs the user interface until quit() is called.
void run_until_quit();
void quit();

// The logical dots per inch of the screen windows open on.
double screen_logical_dpi();

// A window with the owner's properties (title, frame, fixed client size from
// its units), not yet shown. It reports its Close command to
// owner.handle_close() and a click of one of its buttons to
// owner.handle_click().
NativeWindowPtr window_create(Window& owner);

// Puts the controls in place once the create event has made them: the
// stacking order (topmost first), the tab chain (which also gets the
// focus first), and the buttons that Enter and Esc press (either may be
// null).
struct Arrangement {
  std::vector<Control*> top_to_bottom;
  std::vector<Control*> tab_chain;
  Control* default_button = nullptr;
  Control* cancel_button = nullptr;
};
void window_arrange(Window& window, const Arrangement& arrangement);

// Shows the window (centred on the screen when `centre`) and activates it.
void window_show(Window& window, bool centre);

// Asks the window to close; its Close command then reaches handle_close().
void window_close(Window& window);

// A control of that kind on the window, with the properties' look and text;
// null when the toolkit cannot make it.
NativeControlPtr control_create(Window& parent, ControlKind kind, const ControlProperties& properties);

// The control's text, UTF-8; a multi-line edit gives CR LF between lines.
std::string control_text(const NativeControl& control);
// Sets it; CR LF pairs and lone CRs in a multi-line edit are line breaks.
void control_set_text(NativeControl& control, std::string_view utf8);
// False when the control never takes the focus.
bool control_focus(NativeControl& control);
void control_set_label_for(NativeControl& label, NativeControl& field);

// A modal message box with one OK button, owned by the active window;
// returns once it is dismissed. Lines of the text are separated by LF.
void message_box_show(const std::string& title_utf8, const std::string& text_utf8);

}  // namespace runtime::toolkit
