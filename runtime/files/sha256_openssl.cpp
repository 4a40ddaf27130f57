#include "runtime/files/sha256.h"

#include <openssl/evp.h>

namespace runtime {

struct Sha256::State {
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  ~State() { EVP_MD_CTX_free(context); }
};

Sha256::Sha256() : state_(std::make_unique<State>()) { EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr); }

Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes) { EVP_DigestUpdate(state_->context, bytes.data(), bytes.size()); }

std::string Sha256::hex() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(state_->context, digest, &size);
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < size; ++i) {
    text += digits[digest[i] >> 4];
    text += digits[digest[i] & 0xF];
  }
  return text;
}

}  // namespace runtime
