// Windows on Win32: each runtime window is a top-level window of our own
// class with the controls as child windows (runtime/windows/win32/win32_controls.cpp).
// The message loop hands its keys to the dialog manager (IsDialogMessage),
// which asks the window for its default button; runtime/windows/win32/win32_focus.cpp
// keeps the focus and the default button as a dialog would.
#include <algorithm>
#include <utility>

#include "runtime/text/gbk.h"
#include "runtime/windows/toolkit.h"
#include "runtime/windows/win32/control_ids.h"
#include "runtime/windows/win32/win32_native.h"

namespace runtime {
namespace {

constexpr wchar_t window_class[] = L"KestrelWindow";

std::vector<NativeWindow*>& windows() {
  static std::vector<NativeWindow*> made;  // in the order they were last shown
  return made;
}

NativeWindow* native_of(HWND hwnd) {
  return reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The Close command (system menu, close box, Alt+F4): the owner's close
// runs the destroy event; the window hides, its HWND goes with the object.
void close(NativeWindow& window) {
  window.owner->handle_close();
  ShowWindow(window.hwnd, SW_HIDE);
}

LRESULT paint_colours(HWND control, HDC dc) {
  NativeControl* native = win32::control_of(control);
  if (!native) return 0;
  SetTextColor(dc, win32::colour(native->textcolor));
  SetBkColor(dc, win32::colour(native->backcolor));
  return reinterpret_cast<LRESULT>(win32::back_brush(*native));
}

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  NativeWindow* window = native_of(hwnd);
  if (window) {
    switch (message) {
      case WM_COMMAND:
        // Buttons report BN_CLICKED; Enter and Esc come as IDOK and IDCANCEL.
        if (HIWORD(wparam) == BN_CLICKED && win32::click(*window, LOWORD(wparam))) return 0;
        break;
      case DM_GETDEFID:  // the dialog manager, for Enter
        return window->default_id ? MAKELRESULT(window->default_id, DC_HASDEFID) : 0;
      case WM_CLOSE:
        close(*window);
        return 0;
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
        if (LRESULT brush = paint_colours(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam)))
          return brush;
        break;
      case WM_SETFOCUS:
        // The window itself got the focus (on activation, after a restore):
        // the control that had it last takes it again.
        if (win32::restore_focus(*window)) return 0;
        break;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void register_class() {
  static const bool registered = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = window_procedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);  // the windows' back colour
    wc.lpszClassName = window_class;
    return RegisterClassExW(&wc) != 0;
  }();
  (void)registered;
}

DWORD window_style(const WindowProperties& p) {
  DWORD style = WS_OVERLAPPED;
  if (p.titlebar) style |= WS_CAPTION;
  if (p.controlmenu) style |= WS_SYSMENU;
  if (p.minbox) style |= WS_MINIMIZEBOX;
  if (p.maxbox) style |= WS_MAXIMIZEBOX;
  if (p.resizable) style |= WS_THICKFRAME;
  return style;
}

}  // namespace

void NativeDeleter::operator()(NativeWindow* window) const {
  SetWindowLongPtrW(window->hwnd, GWLP_USERDATA, 0);  // no more messages reach the owner
  DestroyWindow(window->hwnd);
  for (const auto& [key, font] : window->fonts) DeleteObject(font);
  std::erase(windows(), window);
  delete window;
}

namespace win32 {

NativeWindow* window_holding(HWND hwnd) {
  if (!hwnd) return nullptr;
  const HWND top = GetAncestor(hwnd, GA_ROOT);
  for (NativeWindow* window : windows()) {
    if (window->hwnd == top) return window;
  }
  return nullptr;
}

NativeWindow* last_shown_window() {
  for (auto it = windows().rbegin(); it != windows().rend(); ++it) {
    if (IsWindowVisible((*it)->hwnd)) return *it;
  }
  return nullptr;
}

}  // namespace win32

namespace toolkit {

NativeWindowPtr window_create(Window& owner) {
  register_class();
  const WindowProperties& p = owner.properties();
  // The client area the units give, whatever frame this system draws.
  const DWORD style = window_style(p);
  const PixelSize client = owner.units().client_size(p.width, p.height);
  RECT outer{0, 0, client.width, client.height};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const HWND hwnd = CreateWindowExW(0, window_class, wide_text(utf8_from_gbk(p.title).text).c_str(), style, 0, 0,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  auto* window = new NativeWindow{};
  window->hwnd = hwnd;
  window->owner = &owner;
  windows().push_back(window);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  return NativeWindowPtr(window);
}

void window_arrange(Window& window, const Arrangement& arrangement) {
  NativeWindow& native = window.native();
  native.names.clear();
  for (std::size_t i = 0; i < window.control.size(); ++i) {
    const HWND hwnd = window.control[i]->native().hwnd;
    const int id = win32::first_control_id + static_cast<int>(i);
    if (GetDlgCtrlID(hwnd) != id) SetWindowLongPtrW(hwnd, GWLP_ID, id);
    native.names.push_back(window.control[i]->name());
  }
  const auto id_of = [&window](const Control* control) {
    const auto found = std::find(window.control.begin(), window.control.end(), control);
    return win32::first_control_id + static_cast<int>(found - window.control.begin());
  };

  // Child windows are drawn and hit in their z-order; it serves the stacking
  // only, as Tab follows the chain below (runtime/windows/win32/win32_focus.cpp).
  // Only the controls out of place move.
  HWND above = nullptr;
  for (const Control* control : arrangement.top_to_bottom) {
    const HWND hwnd = control->native().hwnd;
    if (GetWindow(hwnd, GW_HWNDPREV) != above)
      SetWindowPos(hwnd, above ? above : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = hwnd;
  }
  native.tab_chain.clear();
  for (const Control* control : arrangement.tab_chain) native.tab_chain.push_back(control->native().hwnd);

  if (arrangement.default_button) native.default_id = id_of(arrangement.default_button);
  if (arrangement.cancel_button) native.cancel_id = id_of(arrangement.cancel_button);
  if (!native.tab_chain.empty()) win32::focus_control(native, native.tab_chain.front());
}

void window_show(Window& window, bool centre) {
  NativeWindow& native = window.native();
  if (centre) {
    RECT frame{}, work{};
    GetWindowRect(native.hwnd, &frame);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + ((work.right - work.left) - (frame.right - frame.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (frame.bottom - frame.top)) / 2;
    SetWindowPos(native.hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  std::erase(windows(), &native);
  windows().push_back(&native);
  ShowWindow(native.hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(native.hwnd);
  if (const HWND focus = std::exchange(native.pending_focus, nullptr)) win32::focus_control(native, focus);
  UpdateWindow(native.hwnd);
}

void window_close(Window& window) { SendMessageW(window.native().hwnd, WM_CLOSE, 0, 0); }

}  // namespace toolkit
}  // namespace runtime
