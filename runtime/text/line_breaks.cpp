#include "runtime/text/line_breaks.h"

namespace runtime {
namespace {

template <typename Char>
std::basic_string<Char> lines_with(std::basic_string_view<Char> text, std::basic_string_view<Char> line_break) {
  std::basic_string<Char> lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == Char('\r') || text[i] == Char('\n')) {
      lines += line_break;
      if (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    } else {
      lines.push_back(text[i]);
    }
  }
  return lines;
}

}  // namespace

std::string with_line_breaks(std::string_view text, std::string_view line_break) {
  return lines_with(text, line_break);
}

std::wstring with_line_breaks(std::wstring_view text, std::wstring_view line_break) {
  return lines_with(text, line_break);
}

std::string message_box_lines(std::string_view text) { return with_line_breaks(text, "\n"); }

}  // namespace runtime
