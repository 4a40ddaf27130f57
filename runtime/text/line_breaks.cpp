#include "runtime/text/line_breaks.h"

namespace runtime {

std::string message_box_lines(std::string_view text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines.push_back(text[i]);
    }
  }
  return lines;
}

}  // namespace runtime
