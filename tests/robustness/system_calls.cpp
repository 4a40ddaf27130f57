#include "system_calls.h"

#include "child.h"

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace robustness {

namespace {

// Which arguments of a call are file names.
std::vector<int> path_arguments(long number) {
  switch (number) {
#ifdef SYS_open
    case SYS_open:
#endif
#ifdef SYS_unlink
    case SYS_unlink:
#endif
#ifdef SYS_stat
    case SYS_stat:
    case SYS_lstat:
#endif
      return {0};
    case SYS_openat:
    case SYS_unlinkat:
    case SYS_newfstatat:
    case SYS_statx:
      return {1};
#ifdef SYS_rename
    case SYS_rename:
#endif
#ifdef SYS_link
    case SYS_link:
#endif
      return {0, 1};
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
      return {1, 3};
    default:
      return {};
  }
}

std::string read_string(pid_t pid, std::uint64_t address) {
  std::string text;
  while (text.size() < 4096) {
    errno = 0;
    const long word = ::ptrace(PTRACE_PEEKDATA, pid, reinterpret_cast<void*>(address + text.size()), nullptr);
    if (errno != 0) break;
    const char* bytes = reinterpret_cast<const char*>(&word);
    for (std::size_t i = 0; i < sizeof word; ++i) {
      if (bytes[i] == '\0') return text;
      text.push_back(bytes[i]);
    }
  }
  return text;
}

}  // namespace

bool gives_a_name(const SystemCall& call) {
  return path_arguments(call.number).size() == 2;
}

TracedChild::TracedChild(const std::function<void()>& body) : pid_(fork_traced(body)) {}

TracedChild::~TracedChild() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  wait_for(pid_, &status);
}

bool TracedChild::next_entry() {
  int pass_signal = 0;
  for (;;) {
    int status = 0;
    if (::ptrace(PTRACE_SYSCALL, pid_, nullptr, reinterpret_cast<void*>(static_cast<long>(pass_signal))) != 0 ||
        wait_for(pid_, &status) != pid_) {
      ::kill(pid_, SIGKILL);
      wait_for(pid_, &status);
      pid_ = -1;
      return false;
    }
    pass_signal = 0;
    if (WIFEXITED(status) || WIFSIGNALED(status)) {
      status_ = exit_code(status);
      pid_ = -1;
      return false;
    }
    if (!WIFSTOPPED(status)) continue;
    if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
      pass_signal = WSTOPSIG(status);  // an ordinary signal goes on to the child
      continue;
    }
    __ptrace_syscall_info info{};
    if (::ptrace(PTRACE_GET_SYSCALL_INFO, pid_, reinterpret_cast<void*>(sizeof info), &info) <= 0) continue;
    if (info.op == PTRACE_SYSCALL_INFO_EXIT && !calls_.empty()) {
      calls_.back().returned = true;
      calls_.back().result = info.exit.rval;
    }
    if (info.op != PTRACE_SYSCALL_INFO_ENTRY) continue;
    SystemCall call;
    call.number = static_cast<long>(info.entry.nr);
    for (std::size_t i = 0; i < call.args.size(); ++i) call.args[i] = info.entry.args[i];
    for (const int arg : path_arguments(call.number)) call.paths.push_back(read_string(pid_, call.args[arg]));
    calls_.push_back(std::move(call));
    return true;
  }
}

bool TracedChild::run_until(const std::function<bool(const SystemCall&)>& stop_before) {
  while (pid_ > 0 && next_entry()) {
    if (stop_before(calls_.back())) return true;
  }
  return false;
}

int TracedChild::finish() {
  while (pid_ > 0 && next_entry()) {}
  return status_;
}

}  // namespace robustness
