#include "child.h"

#include "system_calls.h"

#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace robustness {

int exit_code(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

pid_t wait_for(pid_t pid, int* status) {
  pid_t got;
  do {
    got = ::waitpid(pid, status, 0);
  } while (got < 0 && errno == EINTR);
  return got;
}

pid_t fork_traced(const std::function<void()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(100);
    ::kill(::getpid(), SIGSTOP);  // the parent starts following it from here
    body();
    ::_exit(0);
  }
  int status = 0;
  if (wait_for(pid, &status) != pid || !WIFSTOPPED(status)) {
    ::kill(pid, SIGKILL);
    wait_for(pid, &status);
    return -1;
  }
  ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
  return pid;
}

int run_in_child(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (wait_for(pid, &status) != pid) return -1;
  return exit_code(status);
}

Child::Child(const std::function<int(int signal_fd)>& body) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(pipe_fds[0]);
    ::_exit(body(pipe_fds[1]));
  }
  ::close(pipe_fds[1]);
  if (pid_ < 0) {
    ::close(pipe_fds[0]);
    return;
  }
  signal_fd_ = pipe_fds[0];
}

Child::~Child() {
  if (pid_ > 0) kill();
  if (signal_fd_ >= 0) ::close(signal_fd_);
}

bool Child::next_signal(char* byte) {
  char got = 0;
  ssize_t n;
  do {
    n = ::read(signal_fd_, &got, 1);
  } while (n < 0 && errno == EINTR);
  if (byte != nullptr) *byte = got;
  return n == 1;
}

void Child::kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  wait_for(pid_, &status);
  pid_ = -1;
}

int Child::wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t got = wait_for(pid_, &status);
  pid_ = -1;
  return got > 0 ? exit_code(status) : -1;
}

int kill_at_system_call(const std::function<void()>& body, int kill_at) {
  TracedChild child(body);
  if (!child.started()) return -1;
  const auto entered = [&child] { return static_cast<int>(child.calls().size()); };
  // Held as it enters call kill_at; the destructor's SIGKILL keeps that call from running.
  if (child.run_until([&](const SystemCall&) { return entered() == kill_at; })) return entered();
  // Ended first: finish() gives -1 only when tracing failed on the way.
  return child.finish() < 0 ? -1 : entered();
}

}  // namespace robustness
