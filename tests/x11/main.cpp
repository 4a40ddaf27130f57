// Runs the tests that look at what a real X server receives. Each process
// starts an Xvfb of its own, on a display number that the server picks from
// the free ones (-displayfd), and runs Qt's xcb platform on it.
#include <QApplication>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts Xvfb and returns its display number, or -1.
int start_xvfb(pid_t* server) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  *server = fork();
  if (*server == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the tests
    close(pipe_fds[0]);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    const std::string fd = std::to_string(pipe_fds[1]);
    execl(KESTREL_XVFB, "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  if (*server < 0) return -1;
  std::string number;
  char c;
  while (read(pipe_fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipe_fds[0]);
  return number.empty() ? -1 : std::atoi(number.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();

  pid_t server = -1;
  const int display = start_xvfb(&server);
  if (display < 0) {
    std::fprintf(stderr, "cannot start %s\n", KESTREL_XVFB);
    return 1;
  }
  setenv("DISPLAY", (":" + std::to_string(display)).c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  // No session bus goes with this server; without this, D-Bus would try to
  // start one on it (and leak in the attempt).
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  int result;
  {
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  return result;
}
