#pragma once
// What the update client can use of a release: rules by which verify judges
// the live release, and of which generate warns before a release goes out.
// Texts given are GBK; what the rules say is UTF-8, for the terminal.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace release {

// The largest descriptor that verify reads and accepts.
inline constexpr std::size_t max_descriptor_size = 1 << 20;

// Why no client can ask for `address` as written, or none: a blank (space,
// tab or vertical tab) inside it. Blanks at its ends do not count: the client's profile
// API reads the value without them.
std::optional<std::string> unaskable_address(std::string_view address);

}  // namespace release
