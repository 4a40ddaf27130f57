#include "files/file_modes.h"

#include "runtime/files/text_file.h"

namespace files {
namespace {

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

}  // namespace

bool write_file(std::string_view name, bool create, const CreatedLines& lines, const runtime::ProfileEdits& edits) {
  return create ? create_file(name, lines) : runtime::profile_update(name, edits);
}

std::optional<std::string> file_content(std::string_view name, bool create, const CreatedLines& lines,
                                        const runtime::ProfileEdits& edits) {
  if (!create) return runtime::profile_preview(name, edits);
  std::string content;
  lines([&content](std::string_view line) { content.append(line).append("\r\n"); });
  return content;
}

}  // namespace files
