// SHA-256 through CNG (bcrypt.dll), which every Windows since Vista has.
#ifdef _WIN32

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <stdexcept>

#include "runtime/files/sha256.h"

namespace runtime {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

namespace {

void require(NTSTATUS status, const char* call) {
  if (!BCRYPT_SUCCESS(status)) throw std::runtime_error(std::string(call) + " failed: SHA-256 is not available");
}

}  // namespace

Sha256::Sha256() : state_(std::make_unique<State>()) {
  require(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
          "BCryptOpenAlgorithmProvider");
  // With no buffer given, CNG keeps the hash object itself (Windows 7 and later).
  const NTSTATUS made = BCryptCreateHash(state_->algorithm, &state_->hash, nullptr, 0, nullptr, 0, 0);
  if (!BCRYPT_SUCCESS(made)) BCryptCloseAlgorithmProvider(state_->algorithm, 0);
  require(made, "BCryptCreateHash");
}

Sha256::~Sha256() {
  BCryptDestroyHash(state_->hash);
  BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::add(std::string_view bytes) {
  while (!bytes.empty()) {  // CNG takes a ULONG count at a time
    const ULONG size = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), 1u << 30));
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
    require(BCryptHashData(state_->hash, data, size, 0), "BCryptHashData");
    bytes.remove_prefix(size);
  }
}

std::string Sha256::hex() {
  UCHAR digest[32];
  require(BCryptFinishHash(state_->hash, digest, sizeof digest, 0), "BCryptFinishHash");
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (const UCHAR byte : digest) text += {digits[byte >> 4], digits[byte & 15]};
  return text;
}

}  // namespace runtime

#endif
