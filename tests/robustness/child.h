#pragma once
// Other processes for the robustness tests: a forked child that runs a piece
// of this program and can be waited for, killed at any moment, or stopped
// at a chosen system call. POSIX only.
#include <sys/types.h>

#include <functional>

namespace robustness {

// Runs `body` in a forked child and returns its exit code; 128 + the signal
// for a child that a signal ended; -1 when no child could be started. The
// child leaves with _exit, so nothing of the test process runs twice.
int run_in_child(const std::function<int()>& body);

// A forked child running `body`, which may write single bytes to the pipe
// it is given to tell the parent how far it got.
class Child {
 public:
  explicit Child(const std::function<int(int signal_fd)>& body);
  ~Child();  // kills a child that still runs
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  // Waits for the next byte from the child; false when it left first.
  bool next_signal(char* byte = nullptr);
  // SIGKILL, then waits until it is gone.
  void kill();
  // Waits for the child to leave; its exit code as run_in_child gives it.
  int wait();

 private:
  pid_t pid_ = -1;
  int signal_fd_ = -1;
};

// The exit code in a wait status, as run_in_child gives it.
int exit_code(int status);
// waitpid that goes on after a signal interrupts it.
pid_t wait_for(pid_t pid, int* status);

// Forks a child under ptrace that runs `body` and leaves. Returns its pid
// once it is held before `body`'s first system call, with system-call stops
// marked and the child killed should the tracer end; -1 when it could not
// be started or traced.
pid_t fork_traced(const std::function<void()>& body);

// Runs `body` in a child under ptrace and kills it with SIGKILL as it
// enters its system call number `kill_at` (counted from 1, from the start
// of `body`); that call never runs. Returns the number of system calls the
// child entered (kill_at when it was killed, the total when `body` ended
// first), or -1 when it could not be traced.
int kill_at_system_call(const std::function<void()>& body, int kill_at);

}  // namespace robustness
