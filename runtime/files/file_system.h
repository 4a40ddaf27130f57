#pragma once
// File names are GBK byte strings; a bare name means the current directory.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace runtime {

// True when a file (not a directory) of that name exists.
bool file_exists(std::string_view name);

// How long a writer waits for another writer to let go of a file before it
// gives up, and how often it looks again meanwhile: for every writer of the
// program alike.
constexpr auto lock_wait = std::chrono::seconds(2);
constexpr auto lock_poll = std::chrono::milliseconds(10);

// The path a file name stands for, for the std::filesystem and wide Win32
// file calls.
std::filesystem::path native_path(std::string_view name);

#ifdef _WIN32
// The UTF-16 form of a GBK file name, for the wide Win32 file calls.
std::wstring wide_file_name(std::string_view name);
#endif

}  // namespace runtime
