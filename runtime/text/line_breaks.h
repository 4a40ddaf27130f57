#pragma once
// Line breaks in texts that reach a toolkit, a terminal or a multi-line
// field: CR LF, a lone CR and a lone LF each count as one line break.
#include <string>
#include <string_view>

namespace runtime {

// The text with every line break (CR LF, lone CR, lone LF) made `line_break`:
// for byte strings, and for the wide texts of the Win32 calls.
std::string with_line_breaks(std::string_view text, std::string_view line_break);
std::wstring with_line_breaks(std::wstring_view text, std::wstring_view line_break);

// The text as a message box or a terminal shows it: every line break LF.
std::string message_box_lines(std::string_view text);

}  // namespace runtime
