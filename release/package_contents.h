#pragma once
// The package as the client unpacks it into its program folder on a Chinese
// Windows (code page 936): the check "package contents". The judging is a
// pure function of what reading the archive gave (judge_package), so every
// kind of archive can be tried without one; inspect_package reads the file
// and judges it. Details and warnings are UTF-8, for the terminal.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "release/fields.h"
#include "release/verify.h"
#include "runtime/archive/archive_reader.h"

namespace release {

struct PackageEntry {
  std::string name;  // as the client writes it, UTF-8
  std::uint64_t size = 0;
  bool folder = false;
};

struct PackageInspection {
  CheckResult check;                  // "package contents": ok or failed, one detail line per finding
  std::vector<std::string> warnings;  // UTF-8
  std::vector<PackageEntry> entries;  // each name as the client writes it (UTF-8), its size
  bool readable = true;               // false: the file could not be opened or read at all (exit 1)
  std::string problem;                // why not, when !readable
};

PackageInspection inspect_package(const std::string& path_utf8, const Values& local,
                                  const std::function<void(std::uint64_t done, std::uint64_t total)>& progress = {});

// What the checks read of an entry's data (UpdateSQL.txt, UpdateConfig.ini):
// its first bytes, and whether all of it is GBK text, judged piece by piece
// as it is read.
class TextSeen {
 public:
  static constexpr std::size_t kept = 1 << 20;
  void add(std::string_view piece);
  const std::string& start() const { return start_; }
  bool gbk_text() const { return gbk_ && carry_.empty(); }

 private:
  std::string start_;
  std::string carry_;  // a lead byte whose trail byte is in the next piece
  bool gbk_ = true;
};

// True for the entries whose data the checks read.
bool text_wanted(const runtime::ArchiveEntry& entry);

// The check of a package read as `reading` (named `file` in the details),
// with the texts seen of the entries text_wanted chose (by entry index);
// `local`: the release's values as the form pre-fills them.
PackageInspection judge_package(const std::string& file, const runtime::ArchiveReading& reading,
                                const std::map<std::size_t, TextSeen>& texts, const Values& local);

}  // namespace release
