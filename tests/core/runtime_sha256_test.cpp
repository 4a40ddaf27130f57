// SHA-256 (libcrypto on Linux, CNG on Windows) against the standard's test
// vectors, whole and given piece by piece across block boundaries.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/files/sha256.h"

namespace {

TEST(Sha256, DigestsOfTheStandardVectorsWholeAndInPieces) {
  const std::string million_a(1000000, 'a');
  const struct {
    std::string bytes;
    std::size_t piece;  // the size of each add(); 0: all at once
    const char* digest;
  } cases[] = {
      {"", 0, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", 0, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 0,
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {million_a, 997, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes in pieces of " << c.piece);
    runtime::Sha256 sha;
    const std::size_t piece = c.piece ? c.piece : c.bytes.size() + 1;
    for (std::size_t at = 0; at < c.bytes.size(); at += piece) sha.add(std::string_view(c.bytes).substr(at, piece));
    EXPECT_EQ(sha.hex(), c.digest);
  }
}

}  // namespace
