#include "app/cli/file_warnings.h"

#include <filesystem>
#include <string_view>

#include "app/cli/terminal.h"
#include "files/client_config.h"
#include "files/update_descriptor.h"
#include "runtime/text/gbk.h"

namespace cli {
namespace {

constexpr std::string_view utf8_byte_order_mark = "\xEF\xBB\xBF";

void check(const std::string& name, Warnings& warnings) {
  // A missing file is created, and one that is no file is reported when it
  // is written; reading a pipe could wait for ever.
  std::error_code code;
  if (!std::filesystem::is_regular_file(name, code)) return;
  std::string error;
  const std::optional<std::string> bytes = read_file(name, error);
  if (!bytes) return;
  std::string_view text = *bytes;
  // The client reads a UTF-16 file as such; the tool leaves it alone.
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) return;
  if (text.starts_with(utf8_byte_order_mark)) {
    warnings.push_back(name + " begins with a UTF-8 byte-order mark, which the update client takes for text:"
                              " it does not see the first section of the file");
    text.remove_prefix(utf8_byte_order_mark.size());
  }
  if (!runtime::utf8_from_gbk(text).complete) {
    warnings.push_back(name + " holds bytes that are no GBK text (saved as UTF-8?): the update client reads"
                              " other characters in their place");
  }
}

}  // namespace

Warnings file_warnings() {
  Warnings warnings;
  for (const char* name : {files::client_config_file, files::update_descriptor_file}) check(name, warnings);
  return warnings;
}

}  // namespace cli
