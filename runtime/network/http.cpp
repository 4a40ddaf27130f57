#include "runtime/network/http.h"

#include "runtime/text/strings.h"

namespace runtime {

std::string header_value(const HttpAnswer& answer, std::string_view name) {
  const std::string wanted = string_lower(name);
  for (const HttpHeader& header : answer.headers) {
    if (string_lower(header.name) == wanted) return header.value;
  }
  return {};
}

}  // namespace runtime
