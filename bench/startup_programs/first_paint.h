#pragma once
// Ends a start-up measurement at the first paint of one window, and notes
// when each stage of the start-up was reached.
#include <QObject>

#include <functional>

class QWidget;

namespace bench {

// Notes the time of a stage: wall time since main began and processor time
// since the process began (dynamic loading included).
void mark_stage(const char* name);
// Prints the stages noted so far to stderr, one "stage NAME WALL_MS CPU_MS" a
// line.
void print_stages();

// Prints the process's resident memory to stderr by what it maps (a file,
// the heap, anonymous memory), largest first: "map KIB WHAT" lines, then
// "map KIB total".
void print_memory_map();

// What a start-up program was asked for on its command line.
struct Options {
  bool print_size = false;     // --print-size: the window's client size at the first paint
  bool stages = false;         // --stages: the stage times at the end
  bool memory_map = false;     // --memory-map: the resident memory at the first paint
  bool exit_at_main = false;   // --exit-at-main: leave at once, to time loading alone
};
Options parse_options(int argc, char** argv);

// Watches the application's events. At the target window's show and at its
// first paint it notes a stage; after the first paint, once the paint itself
// has completed, it notes "painted" and calls `close`, which ends the run.
// With print_size, the window's client size is printed ("width height") at
// the first paint, so the floor program can show a window of that size.
class FirstPaintQuit : public QObject {
 public:
  // Owned by the application object. `target` gives the window to watch; it
  // may not exist yet when the filter is installed.
  FirstPaintQuit(std::function<QWidget*()> target, std::function<void()> close, Options options);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<QWidget*()> target_;
  std::function<void()> close_;
  Options options_;
  bool shown_ = false;
  bool painted_ = false;
};

// Ends the process with code 3 if no first paint came within the time, so a
// broken measurement fails instead of hanging.
void arm_watchdog(int milliseconds);

}  // namespace bench
