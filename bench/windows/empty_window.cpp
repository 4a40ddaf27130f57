// The floor for kestrel.exe's start-up: the least a Win32 program does to
// show a window, one empty window with the form's frame and client size,
// painted once by the system (background only), until it is closed. With
// --controls it also shows 48 bare child windows of the form's kinds (12
// one-line edits and a multi-line one with sunken borders, 30 statics, 3
// group boxes, 2 push buttons), without texts or fonts: what the window
// system alone spends on as many controls.
//   empty_window [CLIENT_WIDTH CLIENT_HEIGHT] [--controls]
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

struct Kind {
  int count;
  const wchar_t* window_class;
  DWORD style;
  DWORD ex_style;
};

const Kind kinds[] = {
    {12, L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {1, L"EDIT", ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE},
    {30, L"STATIC", SS_LEFT, 0},
    {3, L"BUTTON", BS_GROUPBOX, 0},
    {2, L"BUTTON", BS_PUSHBUTTON, 0},
};

void add_controls(HWND parent, HINSTANCE instance) {
  int made = 0;
  for (const Kind& kind : kinds) {
    for (int i = 0; i < kind.count; ++i, ++made) {
      CreateWindowExW(kind.ex_style, kind.window_class, L"", WS_CHILD | WS_VISIBLE | kind.style,
                      8 + (made % 4) * 225, 8 + (made / 4) * 25, 215, 21, parent, nullptr, instance, nullptr);
    }
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const bool controls = __argc > 1 && std::strcmp(__argv[__argc - 1], "--controls") == 0;
  const int numbers = __argc - 1 - (controls ? 1 : 0);
  const int width = numbers >= 2 ? std::atoi(__argv[1]) : 923;
  const int height = numbers >= 2 ? std::atoi(__argv[2]) : 321;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = window_procedure;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"EmptyWindow";
  RegisterClassExW(&wc);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                                    nullptr);
  if (controls) add_controls(hwnd, instance);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
