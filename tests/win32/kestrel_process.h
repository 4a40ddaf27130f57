#pragma once
// kestrel.exe as a user meets it: started in a directory of its own and
// driven from outside, through the window tree, Win32 messages and keyboard
// and mouse input that reach the program's own message loop. Controls are
// named as in the form's table (support/expected_form.h) and found by their
// dialog control IDs.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace win32_test {

// Polls until the condition holds; false when it did not within the time.
// A guard against a hang, not a measure of speed.
bool wait_until(const std::function<bool()>& condition, int milliseconds = 10000);

// A message box of the program, as another program sees it.
struct ShownBox {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  std::string title;  // UTF-8
  std::string text;   // UTF-8, lines as the box holds them
  int buttons = 0;    // visible buttons
  HWND ok = nullptr;  // the button with ID IDOK
};

class KestrelProcess {
 public:
  // Starts kestrel.exe (KESTREL_EXE, else the one beside this program) in
  // `dir` and waits until its form is shown with the foreground.
  explicit KestrelProcess(const std::filesystem::path& dir);
  ~KestrelProcess();  // ends the program if it still runs
  KestrelProcess(const KestrelProcess&) = delete;
  KestrelProcess& operator=(const KestrelProcess&) = delete;

  HWND form() const { return form_; }
  HWND control(std::string_view name) const;
  std::string name_of(HWND control) const;  // "" for a window that is no control of the form
  std::string focused() const;              // the name of the control with the focus
  std::string text(std::string_view name) const;  // UTF-8, through WM_GETTEXT
  RECT client_rect(std::string_view name) const;  // in the form's client coordinates

  // Keyboard and mouse input to whatever has the foreground, as a user
  // gives it. `held` keys are pressed around `key`.
  void press(WORD key, std::initializer_list<WORD> held = {}) const;
  void type(std::string_view utf8) const;  // LF presses Enter
  void click(std::string_view name) const;
  // Clicks into the edit, selects all its text and types `utf8` over it;
  // returns once the edit shows it.
  void replace_text(std::string_view name, std::string_view utf8) const;
  // Presses the key and returns once the focus has moved.
  void move_focus(WORD key, std::initializer_list<WORD> held = {}) const;

  std::optional<ShownBox> message_box() const;  // the one shown now, if any
  ShownBox wait_for_message_box() const;        // fails the test after the wait
  void dismiss(const ShownBox& box) const;      // presses its OK button

  bool running() const;
  // The exit code once the program has ended; -1 if it still runs after the wait.
  int wait_for_exit() const;

 private:
  PROCESS_INFORMATION process_{};
  HWND form_ = nullptr;
};

}  // namespace win32_test
