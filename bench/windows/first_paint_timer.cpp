// Times GUI programs from their start to their first paint: the moment the
// new process has shown and painted its window and waits for input with
// nothing left in its queue (WaitForInputIdle; paint messages come before
// that). Each run then closes the program's windows and waits for its end.
// The programs take turns, after one warm-up start each.
//   first_paint_timer RUNS COMMAND_LINE...
// Prints one JSON object: {"runs": N, "programs": [{"command": C, "ms": [...]}]}.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK close_window(HWND hwnd, LPARAM process) {
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner == static_cast<DWORD>(process) && IsWindowVisible(hwnd)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
  return TRUE;
}

// Milliseconds to the first paint; negative when the program failed to start
// or to go idle.
double time_to_first_paint(const std::wstring& command) {
  LARGE_INTEGER frequency, start, idle;
  QueryPerformanceFrequency(&frequency);
  std::wstring line = command;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return -1;
  const DWORD waited = WaitForInputIdle(process.hProcess, 30000);
  QueryPerformanceCounter(&idle);
  EnumWindows(close_window, static_cast<LPARAM>(process.dwProcessId));
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 10000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (waited != 0) return -1;
  return static_cast<double>(idle.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string json_string(const std::wstring& text) {
  std::string out = "\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += '\\';
    out += c < 128 ? static_cast<char>(c) : '?';
  }
  return out + "\"";
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 3) {
    std::fprintf(stderr, "usage: first_paint_timer RUNS COMMAND_LINE...\n");
    return 2;
  }
  const int runs = _wtoi(args[1]);
  const std::vector<std::wstring> commands(args + 2, args + count);
  std::vector<std::vector<double>> times(commands.size());
  for (const std::wstring& command : commands) time_to_first_paint(command);  // warm-up
  for (int run = 0; run < runs; ++run) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
      const double ms = time_to_first_paint(commands[i]);
      if (ms < 0) {
        std::fprintf(stderr, "first_paint_timer: no first paint from %s\n", json_string(commands[i]).c_str());
        return 1;
      }
      times[i].push_back(ms);
    }
  }
  std::printf("{\"runs\": %d, \"programs\": [", runs);
  for (std::size_t i = 0; i < commands.size(); ++i) {
    std::printf("%s{\"command\": %s, \"ms\": [", i ? ", " : "", json_string(commands[i]).c_str());
    for (std::size_t r = 0; r < times[i].size(); ++r) std::printf("%s%.3f", r ? ", " : "", times[i][r]);
    std::printf("]}");
  }
  std::printf("]}\n");
  return 0;
}
