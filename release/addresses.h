#pragma once
// How a release's texts are compared where letter case and blanks at the
// ends do not count: web addresses, the package's archive kind, the headers
// of an answer. Texts are GBK.
#include <string>
#include <string_view>

namespace release {

// The text without the spaces at its ends, in small letters: the form in
// which the checks and verify compare it.
std::string comparable(std::string_view text);

// Begins with http://, in any letter case, after the spaces.
bool is_http_address(std::string_view address);

// Begins with http:// or https://.
bool is_web_address(std::string_view address);

// The archive kind an address names by its last three letters, as the form
// requires it: "zip", "rar", or "" for neither.
std::string archive_kind(std::string_view address);

// True for a redirect from an http address to an https one, which the
// client, asking over http, may not follow.
bool changes_to_https(std::string_view from, std::string_view to);

}  // namespace release
