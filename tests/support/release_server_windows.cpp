#ifdef _WIN32

#include <cstdlib>

#include "support/release_server.h"

namespace test_support {

ReleaseServer::ReleaseServer(const Options&) {
  const char* root = std::getenv("KESTREL_RELEASE_ROOT");
  const char* server = std::getenv("KESTREL_RELEASE_SERVER");
  const char* refused = std::getenv("KESTREL_RELEASE_REFUSED");
  if (!root || !server || !refused) return;
  for (const auto& entry : std::filesystem::directory_iterator(root)) std::filesystem::remove_all(entry);
  previous_ = std::filesystem::current_path();
  std::filesystem::current_path(root);
  server_ = server;
  refused_ = refused;
}

ReleaseServer::~ReleaseServer() {
  if (!previous_.empty()) std::filesystem::current_path(previous_);
}

std::string ReleaseServer::port(const std::string&) const { return {}; }

}  // namespace test_support

#endif
