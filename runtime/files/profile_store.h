#pragma once
// Profile files on disk, for profile.cpp: reading one whole, and replacing
// it with new content planned from its current one, whole or not at all,
// with other cooperating writers kept waiting. One implementation for
// POSIX and one for Windows.
#include <algorithm>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "runtime/files/fault_injection.h"

namespace runtime::profile_store {

using Clock = std::chrono::steady_clock;

// How long a writer waits for another writer to finish with the file.
constexpr auto lock_wait = std::chrono::seconds(2);
constexpr auto lock_poll = std::chrono::milliseconds(10);

using Pieces = std::array<std::string_view, 4>;

// Plans the file's new content from its current one (empty for a missing
// file): the pieces to write, in order; `scratch` keeps alive what they
// point into. Empty pieces and a false result: the content cannot be edited.
using Planner = std::function<bool(std::string_view content, std::string& scratch, Pieces& pieces)>;

// The whole of a regular file; false for anything else or a failed read.
bool read_file(const std::filesystem::path& file, std::string& content);

// Replaces the file (a missing one is created) with the planned content: it
// is written beside the file, flushed and renamed into place, so the file
// is always the old one or the new one, whole. A missing file is created so
// that a file of that name made meanwhile is never replaced: the plan is
// then made again, from that file. Stale temporaries of the file that no
// running writer holds are removed first.
bool write_file(const std::filesystem::path& target, const Planner& plan);

// True, once, when a test has asked for `step` to fail.
bool injected_failure(testing::ProfileWriteStep step);

// Reads a whole file straight into `content`; `size` is what the file
// should hold, and one byte more is asked for so that the end shows at once.
template <typename ReadSome>
bool read_whole(std::size_t size, std::string& content, ReadSome read_some) {
  content.resize(size + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == content.size()) content.resize(content.size() * 2);
    const long long got = read_some(content.data() + used, content.size() - used);
    if (got < 0) return false;
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  content.resize(used);
  return true;
}

// Writes the pieces with `write_all`; a test may make this fail half-way.
template <typename WriteAll>
bool write_pieces(const Pieces& pieces, WriteAll write_all) {
  if (injected_failure(testing::ProfileWriteStep::write)) {
    write_all(pieces[0].substr(0, pieces[0].size() / 2));
    return false;
  }
  return std::all_of(pieces.begin(), pieces.end(), write_all);
}

}  // namespace runtime::profile_store
