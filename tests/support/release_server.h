#pragma once
// A web server on 127.0.0.1 (tests/support/release_server.py) serving a
// folder in the ways its scenarios name: the test's working folder, which it
// makes, or the one it is given; on request also the servers that
// publishing writes into that folder through (ftp, ftps, sftp, webdav; see
// upload_servers.py), with their keys and certificate in `state`. On POSIX
// systems it is started for the test; under Wine it is the one that
// scripts/test-windows started beside Wine, named by KESTREL_RELEASE_SERVER
// (its address), KESTREL_RELEASE_REFUSED (one whose port refuses
// connections) and KESTREL_RELEASE_ROOT (its folder, emptied and made the
// working one).
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace test_support {

class ReleaseServer {
 public:
  struct Options {
    std::filesystem::path served;  // empty: a new working folder
    std::vector<std::string> upload_servers;
    std::filesystem::path state;
    std::string password;
  };
  explicit ReleaseServer(const Options& options = {});
  ~ReleaseServer();
  ReleaseServer(const ReleaseServer&) = delete;
  ReleaseServer& operator=(const ReleaseServer&) = delete;

  // False where there is no server (Windows without scripts/test-windows).
  bool ready() const { return !server_.empty(); }
  // The server's address + path.
  std::string url(const std::string& path) const { return server_ + path; }
  // The same path on 127.0.0.1 at a port that refuses connections.
  std::string refused_url(const std::string& path) const { return refused_ + path; }
  // The port of an upload server ("ftp", "sftp", ...); empty when it did not start.
  std::string port(const std::string& upload_server) const;

 private:
  std::unique_ptr<TempWorkingDir> dir_;  // POSIX: the folder served, when none is given
  std::filesystem::path previous_;      // Windows: the working folder before
  int pid_ = -1;
  std::string server_;   // "http://127.0.0.1:PORT/"
  std::string refused_;
  std::map<std::string, std::string> upload_ports_;
};

}  // namespace test_support
