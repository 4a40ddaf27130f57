#pragma once
// Versions compared as the client compares them: as decimal numbers, so
// that 1.10 is less than 1.9.
#include <optional>
#include <string>

namespace release {

// -1, 0 or 1 as `a` is less than, equal to or greater than `b`, both GBK
// texts of numbers (blanks around them ignored); none when either is no number.
std::optional<int> compare_versions(const std::string& a, const std::string& b);

// The warning, UTF-8, when the newest version is not greater than the
// installed one (or either is no number): clients of that installation may
// then not see the update. None when it is greater. `newest_name` says whose
// newest version it is: the one served, or the one about to be written.
std::optional<std::string> versions_warning(const std::string& installed, const std::string& newest,
                                            const std::string& newest_name = "the served newest version");

}  // namespace release
