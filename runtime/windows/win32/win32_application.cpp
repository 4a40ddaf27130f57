// The application run on Win32: the message loop, the screen's dpi, and
// message boxes.
#include "runtime/text/line_breaks.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/win32/win32_native.h"

namespace runtime {
namespace toolkit {

// Win32 needs no application object; the window class is registered with
// the first window.
ApplicationScope::ApplicationScope() = default;
ApplicationScope::~ApplicationScope() = default;

void run_until_quit() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!win32::form_key(msg)) {
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
  const std::wstring text = with_line_breaks(wide_text(text_utf8), L"\r\n");
  MessageBoxW(owner ? owner->hwnd : nullptr, text.c_str(), wide_text(title_utf8).c_str(), MB_OK);
}

}  // namespace toolkit
}  // namespace runtime
