#pragma once
// tests/support/release_server.py run as a separate process for one test:
// a web server on 127.0.0.1 serving the files of a folder in the ways its
// scenarios name, and on request the servers that publishing writes into
// that folder through (ftp, ftps, sftp, webdav; see upload_servers.py),
// with their keys and certificate in `state` (POSIX).
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test_support {

class ReleaseServer {
 public:
  explicit ReleaseServer(const std::filesystem::path& root, const std::vector<std::string>& upload_servers = {},
                         const std::filesystem::path& state = {}, const std::string& password = {});
  ~ReleaseServer();
  ReleaseServer(const ReleaseServer&) = delete;
  ReleaseServer& operator=(const ReleaseServer&) = delete;

  // "http://127.0.0.1:PORT/" + path; empty ports when the server did not start.
  std::string url(const std::string& path) const;
  // An address on 127.0.0.1 whose port refuses connections.
  std::string refused_url(const std::string& path) const;
  // The port of an upload server ("ftp", "sftp", ...); empty when it did not start.
  std::string port(const std::string& upload_server) const;

 private:
  int pid_ = -1;
  std::string port_;
  std::string refused_port_;
  std::map<std::string, std::string> upload_ports_;
};

}  // namespace test_support
