#include "files/created_file.h"

#include "runtime/files/text_file.h"

namespace files {

bool create_file(std::string_view name, const CreatedLines& lines) {
  const std::string staged = runtime::text_file_staging_name(name);
  const int li_filenum =
      runtime::text_file_open(staged, runtime::FileMode::line_mode,
                              runtime::FileAccess::write, runtime::FileLock::lock_write,
                              runtime::WriteMode::append);
  bool whole = li_filenum != runtime::failed_file;
  lines([&](std::string_view line) { whole = runtime::text_file_write_line(li_filenum, line) >= 0 && whole; });
  whole = runtime::text_file_close(li_filenum) == 1 && whole;
  return whole && runtime::text_file_publish(staged, name);
}

std::string created_content(const CreatedLines& lines) {
  std::string content;
  lines([&content](std::string_view line) { content.append(line).append("\r\n"); });
  return content;
}

}  // namespace files
