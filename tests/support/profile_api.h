#pragma once
// A value as the update client reads it: GetPrivateProfileStringA, in the
// ANSI code page, given the file's full path (a bare name would mean the
// Windows directory). Windows only.
#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

// What the reader gives for a key or section the file does not have.
inline constexpr char profile_missing[] = "#MISSING";

inline std::string profile_api_read(const std::string& file, const std::string& section, const std::string& key) {
  const std::string path = std::filesystem::absolute(file).string();
  std::vector<char> buffer(8192);
  const DWORD size = GetPrivateProfileStringA(section.c_str(), key.c_str(), profile_missing, buffer.data(),
                                              static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), size);
}

}  // namespace test_support

#endif
