#pragma once
// tests/support/release_server.py run as a separate process for one test:
// a web server on 127.0.0.1 serving the files of a folder in the ways its
// scenarios name (POSIX).
#include <filesystem>
#include <string>

namespace test_support {

class ReleaseServer {
 public:
  explicit ReleaseServer(const std::filesystem::path& root);
  ~ReleaseServer();
  ReleaseServer(const ReleaseServer&) = delete;
  ReleaseServer& operator=(const ReleaseServer&) = delete;

  // "http://127.0.0.1:PORT/" + path; empty ports when the server did not start.
  std::string url(const std::string& path) const;
  // An address on 127.0.0.1 whose port refuses connections.
  std::string refused_url(const std::string& path) const;

 private:
  int pid_ = -1;
  std::string port_;
  std::string refused_port_;
};

}  // namespace test_support
