#pragma once
// Takes a fuzzer's bytes apart into the pieces a case needs: single bytes
// and texts of a bounded length (one length byte, then the text). What is
// missing at the end reads as zero bytes and empty texts, so every input,
// however short, is a valid case.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }

  // A text of at most `max_length` bytes.
  std::string text(std::size_t max_length) {
    const std::size_t wanted = byte() % (max_length + 1);
    const std::size_t length = wanted < size_ - pos_ ? wanted : size_ - pos_;
    std::string taken(reinterpret_cast<const char*>(data_ + pos_), length);
    pos_ += length;
    return taken;
  }

  // Everything not taken yet.
  std::string rest() {
    std::string taken(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
    pos_ = size_;
    return taken;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace fuzz
