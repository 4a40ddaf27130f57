#pragma once
// The dialog control IDs the Win32 backend gives a window's controls: the
// control at place i of the window's control array has ID first_control_id
// + i. IDOK and IDCANCEL (1 and 2) stay free for the dialog manager's Enter
// and Esc. Tests that drive the program from outside find controls by them.

namespace runtime::win32 {

inline constexpr int first_control_id = 100;

}  // namespace runtime::win32
