// The application run on Win32: the message loop with the form's own keys,
// the screen's dpi, and message boxes.
#include <algorithm>

#include "runtime/toolkit.h"
#include "runtime/win32/win32_native.h"

namespace runtime {
namespace {

bool key_down(int key) { return GetKeyState(key) < 0; }

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
  win32::focus_control(window, chain[next]);
}

// The keys the form handles before the dialog manager sees them: Tab and
// Shift+Tab, and Esc, which presses the cancel button from every control (a
// multi-line edit would otherwise take it as the window's Close command).
bool form_key(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || (msg.wParam != VK_TAB && msg.wParam != VK_ESCAPE)) return false;
  NativeWindow* window = win32::window_holding(msg.hwnd);
  if (!window || key_down(VK_CONTROL) || key_down(VK_MENU)) return false;
  if (msg.wParam == VK_TAB) {
    move_focus(*window, !key_down(VK_SHIFT));
    return true;
  }
  if (key_down(VK_SHIFT)) return false;
  win32::click(*window, IDCANCEL);
  return true;
}

// Message box texts keep their lines apart with CR LF, as Windows does.
std::wstring crlf_lines(const std::string& utf8_lines) {
  std::wstring text;
  for (const wchar_t c : win32::wide(utf8_lines)) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  return text;
}

}  // namespace

namespace toolkit {

// Win32 needs no application object; the window class is registered with
// the first window.
ApplicationScope::ApplicationScope() = default;
ApplicationScope::~ApplicationScope() = default;

void run_until_quit() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!form_key(msg)) {
      // The dialog manager: Enter presses the default button (or the
      // focused one), Alt with a mnemonic presses its button.
      NativeWindow* window = win32::window_holding(msg.hwnd);
      if (!window || !IsDialogMessageW(window->hwnd, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    win32::note_focus();
  }
}

void quit() { PostQuitMessage(0); }

double screen_logical_dpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96.0;
}

void message_box_show(const std::string& title_utf8, const std::string& text_utf8) {
  const NativeWindow* owner = win32::last_shown_window();
  MessageBoxW(owner ? owner->hwnd : nullptr, crlf_lines(text_utf8).c_str(), win32::wide(title_utf8).c_str(), MB_OK);
}

}  // namespace toolkit
}  // namespace runtime
