#pragma once
// A forked child under ptrace whose system calls are recorded, and which can
// be held just before a chosen call and let go later. Linux only.
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace robustness {

// One system call of the child: its number (SYS_*), its arguments, the
// file names it was given (for the calls that take them, in order), and
// its result once it has returned.
struct SystemCall {
  long number = -1;
  std::array<std::uint64_t, 6> args{};
  std::vector<std::string> paths;
  bool returned = false;
  long long result = 0;
};

// True for a rename or a hard link; paths[0] is the old name, paths[1] the new.
bool gives_a_name(const SystemCall& call);

class TracedChild {
 public:
  // Forks a child that runs `body` and leaves; it is held before its first
  // system call in `body`.
  explicit TracedChild(const std::function<void()>& body);
  ~TracedChild();  // kills a child that still runs
  TracedChild(const TracedChild&) = delete;
  TracedChild& operator=(const TracedChild&) = delete;

  bool started() const { return pid_ > 0; }
  // Lets the child run until it is about to make a call that `stop_before`
  // accepts; that call has not run yet. False when the child left first.
  bool run_until(const std::function<bool(const SystemCall&)>& stop_before);
  // Lets the child run to its end; its exit code, 128 + the signal that
  // ended it, or -1.
  int finish();
  // Every call the child entered so far, in order.
  const std::vector<SystemCall>& calls() const { return calls_; }

 private:
  // Runs to the next call entry (true) or to the child's end (false).
  bool next_entry();

  pid_t pid_ = -1;
  int status_ = -1;  // exit code once the child has left
  std::vector<SystemCall> calls_;
};

}  // namespace robustness
