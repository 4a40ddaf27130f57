#include "runtime/files/file_read.h"

namespace runtime {
namespace {

// The pieces' buffer: memory stays the same whatever the file's size.
constexpr std::size_t block_size = 1 << 16;

bool fail(std::string* error) {
  if (error) *error = file_read::Source::error_text();
  return false;
}

}  // namespace

bool read_file(const std::filesystem::path& file, std::string& content, std::string* error) {
  file_read::Source in;
  if (!in.open(file, error)) return false;
  const auto read = [&in](char* into, std::size_t room) { return in.read_some(into, room); };
  return file_read::read_whole(in.size(), content, read) || fail(error);
}

bool read_file_pieces(const std::filesystem::path& file, const std::function<void(std::string_view)>& piece,
                      std::string* error) {
  file_read::Source in;
  if (!in.open(file, error)) return false;
  std::string buffer(block_size, '\0');
  for (;;) {
    const long long got = in.read_some(buffer.data(), buffer.size());
    if (got < 0) return fail(error);
    if (got == 0) return true;
    piece(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
}

}  // namespace runtime
