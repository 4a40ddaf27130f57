#include "win32/kestrel_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "runtime/text/wide_text.h"
#include "runtime/windows/win32/control_ids.h"
#include "support/expected_form.h"

namespace win32_test {
namespace {

using runtime::win32::first_control_id;

std::wstring kestrel_program() {
  if (const wchar_t* given = _wgetenv(L"KESTREL_EXE"); given && *given) return given;
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return (std::filesystem::path(path).parent_path() / L"kestrel.exe").wstring();
}

std::wstring window_text(HWND hwnd) {
  // WM_GETTEXT reaches the control's own text in another process too.
  const auto length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

std::wstring class_name(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct Search {
  DWORD process;
  const wchar_t* window_class;
  HWND found;
};

BOOL CALLBACK find_window(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != search->process || !IsWindowVisible(hwnd) || class_name(hwnd) != search->window_class) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND visible_window(DWORD process, const wchar_t* window_class) {
  Search search{process, window_class, nullptr};
  EnumWindows(find_window, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void send_keys(std::vector<INPUT> inputs) {
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT key_input(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

bool wait_until(const std::function<bool()>& condition, int milliseconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}


KestrelProcess::KestrelProcess(const std::filesystem::path& dir) {
  std::wstring command_line = L"\"" + kestrel_program() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.wstring().c_str(),
                      &startup, &process_)) {
    ADD_FAILURE() << "kestrel.exe did not start: error " << GetLastError();
    return;
  }
  WaitForInputIdle(process_.hProcess, 20000);
  const DWORD id = process_.dwProcessId;
  wait_until([&] { return (form_ = visible_window(id, L"KestrelWindow")) != nullptr; }, 20000);
  if (!form_) {
    ADD_FAILURE() << "kestrel.exe showed no form";
    return;
  }
  if (!wait_until([this] { return GetForegroundWindow() == form_; }, 5000)) {
    ADD_FAILURE() << "the form did not come to the foreground";
  }
}

KestrelProcess::~KestrelProcess() {
  if (!process_.hProcess) return;
  if (running()) {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 10000);
  }
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

HWND KestrelProcess::control(std::string_view name) const {
  const auto table = expected_form::controls();
  const std::size_t place = static_cast<std::size_t>(&expected_form::control(name) - table.data());
  return GetDlgItem(form_, first_control_id + static_cast<int>(place));
}

std::string KestrelProcess::name_of(HWND control) const {
  if (!control || GetParent(control) != form_) return "";
  const int place = GetDlgCtrlID(control) - first_control_id;
  const auto table = expected_form::controls();
  return place >= 0 && place < static_cast<int>(table.size()) ? table[static_cast<std::size_t>(place)].name : "";
}

std::string KestrelProcess::focused() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(process_.dwThreadId, &info)) return "";
  return name_of(info.hwndFocus);
}

std::string KestrelProcess::text(std::string_view name) const { return runtime::narrow_text(window_text(control(name))); }

RECT KestrelProcess::client_rect(std::string_view name) const {
  RECT rect{};
  GetWindowRect(control(name), &rect);
  MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void KestrelProcess::press(WORD key, std::initializer_list<WORD> held) const {
  std::vector<INPUT> inputs;
  for (const WORD modifier : held) inputs.push_back(key_input(modifier, false));
  inputs.push_back(key_input(key, false));
  inputs.push_back(key_input(key, true));
  for (auto it = std::rbegin(held); it != std::rend(held); ++it) inputs.push_back(key_input(*it, true));
  send_keys(inputs);
}

void KestrelProcess::type(std::string_view text) const {
  for (const wchar_t c : runtime::wide_text(text)) {
    if (c == L'\n') {
      press(VK_RETURN);
      continue;
    }
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wScan = c;
    down.ki.dwFlags = KEYEVENTF_UNICODE;
    INPUT up = down;
    up.ki.dwFlags |= KEYEVENTF_KEYUP;
    send_keys({down, up});
  }
}

namespace {

// The class of the window a point of the screen shows, for messages.
std::string class_at(POINT point) {
  wchar_t name[64] = {};
  GetClassNameW(WindowFromPoint(point), name, 64);
  return runtime::narrow_text(name);
}

// A point of the control that the control itself shows: its middle, unless
// another window (a tip of the field before, say) covers that, then the
// first of its quarters across that is free.
POINT visible_point(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  const LONG y = (rect.top + rect.bottom) / 2;
  for (const int quarter : {2, 1, 3}) {
    const POINT point{rect.left + (rect.right - rect.left) * quarter / 4, y};
    if (WindowFromPoint(point) == control) return point;
  }
  return {(rect.left + rect.right) / 2, y};
}

}  // namespace

void KestrelProcess::click(std::string_view name) const {
  const POINT point = visible_point(control(name));
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = point.x * 65536 / width;
  inputs[0].mi.dy = point.y * 65536 / height;
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
}

void KestrelProcess::replace_text(std::string_view name, std::string_view text) const {
  click(name);
  ASSERT_TRUE(wait_until([&] { return focused() == name; }))
      << "no focus in " << name << "; the click went to a " << class_at(visible_point(control(name)));
  press(VK_END, {VK_CONTROL});
  press(VK_HOME, {VK_CONTROL, VK_SHIFT});
  if (text.empty()) press(VK_DELETE);
  type(text);
  std::string shown;  // a multi-line edit keeps CR LF between lines
  for (const char c : text) shown += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ASSERT_TRUE(wait_until([&] { return this->text(name) == shown; })) << name << " shows " << this->text(name);
}

void KestrelProcess::move_focus(WORD key, std::initializer_list<WORD> held) const {
  const std::string before = focused();
  press(key, held);
  wait_until([&] { return focused() != before; });
}

std::optional<ShownBox> KestrelProcess::message_box() const {
  const HWND hwnd = visible_window(process_.dwProcessId, L"#32770");  // the dialog class of message boxes
  if (!hwnd) return std::nullopt;
  ShownBox box;
  box.hwnd = hwnd;
  box.owner = GetWindow(hwnd, GW_OWNER);
  box.title = runtime::narrow_text(window_text(hwnd));
  for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = class_name(child);
    if (CompareStringOrdinal(kind.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      ++box.buttons;
      if (GetDlgCtrlID(child) == IDOK) box.ok = child;
    } else if (CompareStringOrdinal(kind.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL) {
      box.text += runtime::narrow_text(window_text(child));  // the icon's static, if any, has no text
    }
  }
  return box;
}

ShownBox KestrelProcess::wait_for_message_box() const {
  std::optional<ShownBox> box;
  if (!wait_until([&] { return (box = message_box()).has_value(); })) {
    ADD_FAILURE() << "no message box";
    return {};
  }
  return *box;
}

void KestrelProcess::dismiss(const ShownBox& box) const {
  if (box.ok) SendMessageW(box.ok, BM_CLICK, 0, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); })) << "the box stays";
}

bool KestrelProcess::running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

int KestrelProcess::wait_for_exit() const {
  if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

}  // namespace win32_test
