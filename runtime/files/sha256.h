#pragma once
// SHA-256 over bytes given piece by piece (OpenSSL's libcrypto on Linux,
// CNG on Windows).
#include <memory>
#include <string>
#include <string_view>

namespace runtime {

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void add(std::string_view bytes);
  // The digest of all bytes added, as 64 lower-case hex digits. Once only.
  std::string hex();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace runtime
