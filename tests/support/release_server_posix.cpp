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
namespace {

// One line of what the server prints, without its line end.
std::string read_line(int fd) {
  std::string line;
  pollfd ready{fd, POLLIN, 0};
  char c = 0;
  while (::poll(&ready, 1, 20000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

ReleaseServer::ReleaseServer(const Options& options) {
  if (options.served.empty()) dir_ = std::make_unique<TempWorkingDir>();
  const std::filesystem::path served = options.served.empty() ? dir_->path() : options.served;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(out[1], 1);
    // It ends by itself after a few minutes, should this process die without ending it.
    std::vector<std::string> arguments = {KESTREL_PYTHON, KESTREL_RELEASE_SERVER, served.string(), "--lifetime", "240"};
    for (const std::string& server : options.upload_servers) arguments.push_back("--" + server);
    if (!options.upload_servers.empty())
      arguments.insert(arguments.end(), {"--state", options.state.string(), "--password", options.password});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(KESTREL_PYTHON, argv.data());
    ::_exit(127);
  }
  ::close(out[1]);
  // The first line names the ports; the server is listening once it is written.
  std::string port, refused_port;
  std::istringstream(read_line(out[0])) >> port >> refused_port;
  if (!options.upload_servers.empty()) {
    std::istringstream ports(read_line(out[0]));
    for (std::string item; ports >> item;) {
      const auto equals = item.find('=');
      if (equals != std::string::npos) upload_ports_[item.substr(0, equals)] = item.substr(equals + 1);
    }
  }
  ::close(out[0]);
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

std::string ReleaseServer::port(const std::string& upload_server) const {
  const auto found = upload_ports_.find(upload_server);
  return found == upload_ports_.end() ? std::string() : found->second;
}

}  // namespace test_support

#endif
