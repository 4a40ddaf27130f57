// The keyboard focus on Win32 windows, kept as the dialog manager keeps it
// in a dialog, and the form's own keys: Tab along the runtime's tab chain,
// Esc for the cancel button.
#include <algorithm>

#include "runtime/windows/win32/control_ids.h"
#include "runtime/windows/win32/win32_native.h"

namespace runtime::win32 {
namespace {

bool key_down(int key) { return GetKeyState(key) < 0; }

LRESULT dialog_code(HWND control) { return SendMessageW(control, WM_GETDLGCODE, 0, 0); }

bool is_push_button(HWND control) { return dialog_code(control) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON); }

// The focused push button is drawn as the default and Enter presses it;
// with the focus elsewhere, the window's default button is.
void follow_default_button(NativeWindow& window, HWND focus) {
  const HWND shown_default = is_push_button(focus) ? focus : GetDlgItem(window.hwnd, window.default_id);
  for (HWND child = GetWindow(window.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!is_push_button(child)) continue;
    const bool is_default = (dialog_code(child) & DLGC_DEFPUSHBUTTON) != 0;
    if (is_default != (child == shown_default))
      SendMessageW(child, BM_SETSTYLE, child == shown_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

// Tab and Shift+Tab follow the runtime's tab chain, not the z-order the
// dialog manager would follow (the z-order serves the stacking).
void move_focus(NativeWindow& window, bool forward) {
  const std::vector<HWND>& chain = window.tab_chain;
  if (chain.empty()) return;
  const auto current = std::find(chain.begin(), chain.end(), GetFocus());
  const std::size_t count = chain.size();
  std::size_t next = forward ? 0 : count - 1;
  if (current != chain.end()) {
    const std::size_t at = static_cast<std::size_t>(current - chain.begin());
    next = forward ? (at + 1) % count : (at + count - 1) % count;
  }
  focus_control(window, chain[next]);
}

}  // namespace

void focus_control(NativeWindow& window, HWND control) {
  if (!IsWindowVisible(window.hwnd)) {
    window.pending_focus = control;
    return;
  }
  if (dialog_code(control) & DLGC_HASSETSEL) SendMessageW(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

bool restore_focus(NativeWindow& window) {
  const HWND last = window.last_focus;
  if (!IsWindow(last) || !IsChild(window.hwnd, last) || !IsWindowVisible(last)) return false;
  SetFocus(last);
  return true;
}

void note_focus() {
  const HWND focus = GetFocus();
  NativeWindow* window = window_holding(focus);
  if (!window || focus == window->hwnd || focus == window->last_focus) return;
  window->last_focus = focus;
  follow_default_button(*window, focus);
}

bool form_key(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_TAB && msg.wParam != VK_ESCAPE)) return false;
  NativeWindow* window = window_holding(msg.hwnd);
  if (!window || key_down(VK_CONTROL) || key_down(VK_MENU)) return false;
  if (msg.wParam == VK_TAB) {
    move_focus(*window, !key_down(VK_SHIFT));
    return true;
  }
  // Esc presses the cancel button from every control; a multi-line edit
  // would otherwise take it as the window's Close command.
  if (key_down(VK_SHIFT)) return false;
  click(*window, IDCANCEL);
  return true;
}

bool click(NativeWindow& window, int id) {
  if (id == IDOK) id = window.default_id;
  if (id == IDCANCEL) id = window.cancel_id;
  const int index = id - first_control_id;
  if (index < 0 || index >= static_cast<int>(window.names.size())) return false;
  window.owner->handle_click(window.names[static_cast<std::size_t>(index)]);
  return true;
}

}  // namespace runtime::win32
