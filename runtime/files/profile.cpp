#include "runtime/files/profile.h"

#include <filesystem>
#include <string>

#include "runtime/files/file_read.h"
#include "runtime/files/file_system.h"
#include "runtime/files/profile_parse.h"
#include "runtime/files/replacement.h"
#include "runtime/text/byte_order_mark.h"

namespace runtime {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A UTF-16 file holds no key the byte-wise reader could find, and is never
// edited: a byte-wise edit would garble it.
bool utf16(std::string_view content) { return byte_order_mark(content) == ByteOrderMark::utf16; }

// The file a name stands for. A symbolic link is followed to the file it
// points to, so the edit lands there and the link stays a link. Empty for a
// loop of links.
fs::path resolve_links(fs::path target) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(target, error))) return target;
    fs::path link = fs::read_symlink(target, error);
    if (error) return {};
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return {};
}

}  // namespace

std::string profile_read(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view default_value) {
  std::string content;
  if (file.empty() || !read_file(native_path(file), content)) return std::string(default_value);
  return ProfileText(std::move(content)).read(section, key, default_value);
}

bool profile_write(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) {
  return profile_update(file, [&](ProfileText& text) { text.write(section, key, value); });
}

ProfileText::ProfileText(std::string content) : content_(std::move(content)) {}

std::string ProfileText::read(std::string_view section, std::string_view key,
                              std::string_view default_value) const {
  return value(section, key).value_or(std::string(default_value));
}

std::optional<std::string> ProfileText::value(std::string_view section, std::string_view key) const {
  if (utf16(content_)) return std::nullopt;
  const profile::Lookup found = profile::find_key(content_, section, key);
  if (!found.has_value) return std::nullopt;
  return std::string(profile::unquote(found.raw_value));
}

void ProfileText::write(std::string_view section, std::string_view key, std::string_view value,
                        FollowingLines following) {
  const profile::Edit edit = profile::plan_key_edit(content_, section, key, value, following);
  const std::string closing(edit.closing);  // it may point into the content
  content_.replace(edit.keep_before, edit.keep_after - edit.keep_before, edit.insert);
  content_.append(closing);
}

// The edits made on the file's current content under the writers' lock (a
// missing file is edited as empty, and created), then one replacement. A
// file of that name that appears while a missing one is being created is
// never replaced: the edits are made again, on it.
bool profile_update(std::string_view file, const ProfileEdits& edits) {
  if (file.empty()) return false;
  const fs::path target = resolve_links(native_path(file));
  if (target.empty()) return false;
  const auto deadline = Clock::now() + lock_wait;
  for (;;) {
    Replacement replacement(target, Replacement::Mode::edit);
    std::string content;
    if (!replacement.lock(deadline) || (replacement.target_exists() && !replacement.read_target(content)) ||
        utf16(content))
      return false;
    ProfileText text{std::move(content)};
    edits(text);
    if (!replacement.open_temporary() || !replacement.write(text.content())) return false;
    const temporary::Placed placed = replacement.commit();
    if (placed != temporary::Placed::name_taken) return placed == temporary::Placed::placed;
    if (Clock::now() >= deadline) return false;
  }
}

std::optional<std::string> profile_preview(std::string_view file, const ProfileEdits& edits) {
  std::string content;
  const fs::path target = resolve_links(native_path(file));
  if (file.empty() || target.empty()) return std::nullopt;
  std::error_code error;
  if (fs::exists(target, error) && !read_file(target, content)) return std::nullopt;
  if (utf16(content)) return std::nullopt;
  ProfileText text{std::move(content)};
  edits(text);
  return text.content();
}

}  // namespace runtime
