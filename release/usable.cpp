#include "release/usable.h"

#include "runtime/text/gbk.h"

namespace release {

std::optional<std::string> unaskable_address(std::string_view address) {
  constexpr std::string_view blanks = " \t\v";
  const std::size_t first = address.find_first_not_of(blanks);
  if (first == std::string_view::npos) return std::nullopt;
  const std::string_view inner = address.substr(first, address.find_last_not_of(blanks) + 1 - first);
  if (inner.find_first_of(blanks) == std::string_view::npos) return std::nullopt;
  return runtime::utf8(inner) + " holds a blank: no client can ask for it as written";
}

}  // namespace release
