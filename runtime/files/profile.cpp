#include "runtime/files/profile.h"

#include <atomic>
#include <filesystem>
#include <string>

#include "runtime/files/fault_injection.h"
#include "runtime/files/file_system.h"
#include "runtime/files/profile_parse.h"
#include "runtime/files/profile_store.h"

namespace runtime {

namespace {

namespace fs = std::filesystem;
using profile_store::Planner;
using testing::ProfileWriteStep;

std::atomic<ProfileWriteStep> pending_failure{ProfileWriteStep::none};

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

// A UTF-16 file is never edited: a byte-wise edit would garble it.
bool write_profile(std::string_view file, const Planner& plan) {
  if (file.empty()) return false;
  const fs::path target = resolve_links(native_path(file));
  return !target.empty() &&
         profile_store::write_file(target, [&](std::string_view content, std::string& planned) {
           return !profile::utf16_byte_order_mark(content) && plan(content, planned);
         });
}

}  // namespace

bool profile_store::injected_failure(ProfileWriteStep step) {
  ProfileWriteStep expected = step;
  return pending_failure.compare_exchange_strong(expected, ProfileWriteStep::none);
}

namespace testing {

void fail_next_profile_write_step(ProfileWriteStep step) { pending_failure.store(step); }

}  // namespace testing

std::string profile_read(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view default_value) {
  std::string content;
  if (file.empty() || !profile_store::read_file(native_path(file), content)) return std::string(default_value);
  return ProfileText(std::move(content)).read(section, key, default_value);
}

bool profile_write(std::string_view file, std::string_view section, std::string_view key,
                   std::string_view value) {
  return profile_update(file, [&](ProfileText& text) { text.write(section, key, value); });
}

ProfileText::ProfileText(std::string content) : content_(std::move(content)) {}

std::string ProfileText::read(std::string_view section, std::string_view key,
                              std::string_view default_value) const {
  if (profile::utf16_byte_order_mark(content_)) return std::string(default_value);
  const profile::Lookup found = profile::find_key(content_, section, key);
  return std::string(found.has_value ? profile::unquote(found.raw_value) : default_value);
}

void ProfileText::write(std::string_view section, std::string_view key, std::string_view value) {
  const profile::Edit edit = profile::plan_key_edit(content_, section, key, value);
  const std::string closing(edit.closing);  // it may point into the content
  content_.replace(edit.keep_before, edit.keep_after - edit.keep_before, edit.insert);
  content_.append(closing);
}

bool profile_update(std::string_view file, const ProfileEdits& edits) {
  return write_profile(file, [&](std::string_view content, std::string& planned) {
    ProfileText text{std::string(content)};
    edits(text);
    planned = text.content();
    return true;
  });
}

std::optional<std::string> profile_preview(std::string_view file, const ProfileEdits& edits) {
  std::string content;
  const fs::path target = resolve_links(native_path(file));
  if (file.empty() || target.empty()) return std::nullopt;
  std::error_code error;
  if (fs::exists(target, error) && !profile_store::read_file(target, content)) return std::nullopt;
  if (profile::utf16_byte_order_mark(content)) return std::nullopt;
  ProfileText text{std::move(content)};
  edits(text);
  return text.content();
}

}  // namespace runtime
