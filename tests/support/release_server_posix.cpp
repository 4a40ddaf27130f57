#include "support/release_server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

namespace test_support {

ReleaseServer::ReleaseServer(const std::filesystem::path& root) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    const std::string folder = root.string();
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
  std::istringstream(line) >> port_ >> refused_port_;
}

ReleaseServer::~ReleaseServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string ReleaseServer::url(const std::string& path) const { return "http://127.0.0.1:" + port_ + "/" + path; }

std::string ReleaseServer::refused_url(const std::string& path) const {
  return "http://127.0.0.1:" + refused_port_ + "/" + path;
}

}  // namespace test_support
