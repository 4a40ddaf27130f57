#include <map>
#include <memory>

#include "runtime/files/text_file.h"
#include "runtime/files/text_file_staging.h"

namespace runtime {
namespace {

std::map<std::string, std::unique_ptr<Replacement>, std::less<>>& held_files() {
  static std::map<std::string, std::unique_ptr<Replacement>, std::less<>> files;
  return files;
}

// Appends the staged lines to the file that has the name by now, line by
// line as they were written, so its bytes come out the same.
bool append_staged(const std::string& content, std::string_view name) {
  const int handle = text_file_open(name, FileMode::line_mode, FileAccess::write, FileLock::lock_write,
                                    WriteMode::append);
  bool whole = handle != failed_file;
  std::size_t begin = 0;
  while (whole && begin < content.size()) {
    std::size_t end = content.find("\r\n", begin);
    if (end == std::string::npos) end = content.size();  // not written by us: keep it as a line
    whole = text_file_write_line(handle, std::string_view(content).substr(begin, end - begin)) >= 0;
    begin = end + 2;
  }
  return text_file_close(handle) == 1 && whole;
}

}  // namespace

void staging::hold(std::string_view name, std::unique_ptr<Replacement> replacement) {
  held_files().insert_or_assign(std::string(name), std::move(replacement));
}

std::unique_ptr<Replacement> staging::take(std::string_view name) {
  auto& files = held_files();
  const auto found = files.find(name);
  if (found == files.end()) return nullptr;
  std::unique_ptr<Replacement> replacement = std::move(found->second);
  files.erase(found);
  return replacement;
}

std::string text_file_staging_name(std::string_view name) {
  return std::string(name) + temporary::sibling_suffix();
}

bool text_file_publish(std::string_view staged, std::string_view name) {
  std::unique_ptr<Replacement> replacement = staging::take(staged);
  if (!replacement) return false;
  if (replacement->commit() == temporary::Placed::placed) return true;
  // A file of that name appeared meanwhile: the lines go to its end, as an
  // appending open would have put them, once the staging file is gone.
  std::string content;
  if (!replacement->read_temporary(content)) return false;
  replacement.reset();
  return append_staged(content, name);
}

}  // namespace runtime
