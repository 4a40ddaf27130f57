#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include <gtest/gtest.h>

#include "support/release_server.h"

namespace test_support {

ReleaseServer::ReleaseServer() : dir_(std::make_unique<TempWorkingDir>()) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    const std::string folder = dir_->path().string();
    // It ends by itself after a minute, should this process die without ending it.
    ::execl(KESTREL_PYTHON, KESTREL_PYTHON, KESTREL_RELEASE_SERVER, folder.c_str(), "--lifetime", "60", nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  // The first line names the ports; the server is listening once it is written.
  std::string line;
  pollfd ready{out[0], POLLIN, 0};
  char c = 0;
  while (::poll(&ready, 1, 20000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
  ::close(out[0]);
  std::string port, refused_port;
  std::istringstream(line) >> port >> refused_port;
  if (refused_port.empty()) {
    ADD_FAILURE() << "the test web server did not start";
    return;
  }
  server_ = "http://127.0.0.1:" + port + "/";
  refused_ = "http://127.0.0.1:" + refused_port + "/";
}

ReleaseServer::~ReleaseServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace test_support

#endif
