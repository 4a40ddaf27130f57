#pragma once
// One fuzz case for the check of a package's contents: arbitrary bytes as
// the package file, read and judged as kestrel-cli inspect does.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// "" when the bytes got a verdict by the rules, else what broke. The file is
// written into `folder`.
std::string run_package_case(const std::uint8_t* data, std::size_t size, const std::string& folder);

}  // namespace fuzz
