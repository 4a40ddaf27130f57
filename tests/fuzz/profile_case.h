#pragma once
// One fuzz case for profile files: a file of arbitrary bytes, then reads
// and writes of arbitrary sections, keys and values through profile_read and
// profile_write, with the rules every one of them must keep.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz {

// Runs the case that `data` describes in `directory`, which must exist and
// hold nothing else. "" when every rule held, else what broke.
//
// The bytes: one byte for the number of operations (1 to 6); per operation
// one byte (even: write, odd: read) and three texts, section (up to 24
// bytes), key (up to 24) and value (up to 64), each a length byte then the
// text; everything after that is the file's first content.
std::string run_profile_case(const std::uint8_t* data, std::size_t size,
                             const std::filesystem::path& directory);

}  // namespace fuzz
