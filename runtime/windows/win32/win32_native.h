#pragma once
// The Win32 backend's own window and control: the HWND behind each, and what
// the window procedure needs to answer for them (colours, fonts, control
// IDs, the tab chain). Only runtime/windows/win32 includes this header.
#include <windows.h>

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/windows/control.h"
#include "runtime/text/wide_text.h"
#include "runtime/windows/window.h"

namespace runtime {

struct NativeControl {
  HWND hwnd = nullptr;
  long textcolor = colour_window_text;
  long backcolor = colour_window;
  bool focusable = false;
  bool multiline = false;
  HBRUSH own_brush = nullptr;  // for a back colour that is no system colour
};

struct NativeWindow {
  HWND hwnd = nullptr;
  Window* owner = nullptr;
  std::map<std::wstring, HFONT> fonts;  // by face, height and weight; the window's to delete
  std::vector<std::string> names;       // control names by ID, from first_control_id on
  int controls_made = 0;
  std::vector<HWND> tab_chain;
  int default_id = 0;
  int cancel_id = 0;
  HWND pending_focus = nullptr;  // the focus asked for before the window was shown
  HWND last_focus = nullptr;     // the control that had the focus last
};

namespace win32 {

// The window of ours that holds `hwnd` (itself or one of its controls), or
// null. The last one shown and still visible, for owning message boxes.
NativeWindow* window_holding(HWND hwnd);
NativeWindow* last_shown_window();

// The control behind a child window, or null for another window.
NativeControl* control_of(HWND hwnd);

// A runtime colour as a COLORREF, and the brush that paints it (system
// brushes for system colours, else the control's own).
COLORREF colour(long value);
HBRUSH back_brush(NativeControl& control);

// The window's font for these properties, made on first use.
HFONT window_font(NativeWindow& window, const Font& font, double logical_dpi);

// Moves the focus to a control the way the dialog manager does (an edit's
// text is selected); before the window is shown, remembers it for
// window_show.
void focus_control(NativeWindow& window, HWND control);

// Gives the focus back to the control of the window that had it last;
// false when there is none.
bool restore_focus(NativeWindow& window);

// Notes which control of ours has the focus now, after each message: the
// window gives it back when it gets the focus itself, and a focused push
// button is the one Enter presses (drawn as the default), as in a dialog.
void note_focus();

// Tab, Shift+Tab and Esc on a window of ours, handled before the dialog
// manager sees them; false for every other message.
bool form_key(const MSG& msg);

// Runs the clicked event of the button with this ID (IDOK: the default
// button, IDCANCEL: the cancel button); false when no button has it.
bool click(NativeWindow& window, int id);

}  // namespace win32
}  // namespace runtime
