#include "release/package_contents.h"

namespace release {

PackageInspection inspect_package(const std::string& path_utf8, const Values& local,
                                  const std::function<void(std::uint64_t done, std::uint64_t total)>& progress) {
  std::map<std::size_t, TextSeen> texts;
  runtime::ArchiveVisitor visitor;
  visitor.wants_data = text_wanted;
  visitor.data = [&](std::size_t entry, std::string_view block) { texts[entry].add(block); };
  visitor.progress = progress;
  const runtime::ArchiveReading reading = runtime::read_archive(path_utf8, visitor);
  // An entry whose data was empty gave no block, and is still text.
  for (std::size_t i = 0; i < reading.entries.size(); ++i)
    if (text_wanted(reading.entries[i])) texts[i];
  return judge_package(path_utf8, reading, texts, local);
}

}  // namespace release
