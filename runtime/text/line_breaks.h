#pragma once
// Line breaks in texts that reach a toolkit or a terminal.
#include <string>
#include <string_view>

namespace runtime {

// The text as a message box or a terminal shows it: every CR LF and every
// lone CR becomes LF.
std::string message_box_lines(std::string_view text);

}  // namespace runtime
