#pragma once
// A web server on 127.0.0.1 (tests/support/release_server.py) serving the
// test's working folder, which it makes, in the ways its scenarios name. On
// POSIX systems it is started for the test; under Wine it is the one that
// scripts/test-windows started beside Wine, named by KESTREL_RELEASE_SERVER
// (its address), KESTREL_RELEASE_REFUSED (one whose port refuses
// connections) and KESTREL_RELEASE_ROOT (its folder, emptied and made the
// working one).
#include <filesystem>
#include <memory>
#include <string>

#include "support/temp_dir.h"

namespace test_support {

class ReleaseServer {
 public:
  ReleaseServer();
  ~ReleaseServer();
  ReleaseServer(const ReleaseServer&) = delete;
  ReleaseServer& operator=(const ReleaseServer&) = delete;

  // False where there is no server (Windows without scripts/test-windows).
  bool ready() const { return !server_.empty(); }
  // The server's address + path.
  std::string url(const std::string& path) const { return server_ + path; }
  // The same path on 127.0.0.1 at a port that refuses connections.
  std::string refused_url(const std::string& path) const { return refused_ + path; }

 private:
  std::unique_ptr<TempWorkingDir> dir_;  // POSIX: the folder served
  std::filesystem::path previous_;      // Windows: the working folder before
  int pid_ = -1;
  std::string server_;   // "http://127.0.0.1:PORT/"
  std::string refused_;
};

}  // namespace test_support
