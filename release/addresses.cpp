#include "release/addresses.h"

#include "runtime/text/strings.h"

namespace release {

std::string comparable(std::string_view text) { return runtime::string_lower(runtime::string_trim(text)); }

bool is_http_address(std::string_view address) { return comparable(address).starts_with("http://"); }

bool is_web_address(std::string_view address) {
  const std::string text = comparable(address);
  return text.starts_with("http://") || text.starts_with("https://");
}

std::string archive_kind(std::string_view address) {
  const std::string ending = runtime::string_right(comparable(address), 3);
  return ending == "zip" || ending == "rar" ? ending : std::string();
}

bool changes_to_https(std::string_view from, std::string_view to) {
  return !comparable(from).starts_with("https:") && comparable(to).starts_with("https:");
}

}  // namespace release
