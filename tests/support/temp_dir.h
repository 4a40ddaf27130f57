#pragma once
// A fresh temporary directory that is the working directory for one test.
#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

class TempWorkingDir {
 public:
  TempWorkingDir();
  ~TempWorkingDir();
  TempWorkingDir(const TempWorkingDir&) = delete;
  TempWorkingDir& operator=(const TempWorkingDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

// Whole-file helpers working on raw bytes.
std::string read_bytes(const std::filesystem::path& file);
void write_bytes(const std::filesystem::path& file, const std::string& bytes);

// The names in a directory, sorted: to show that no temporary file was left.
std::vector<std::string> entries(const std::filesystem::path& directory = ".");

// UpdateConfig.ini's text with its time of writing (LastUpdate=...) as "@",
// for files written at a moment the test does not fix.
std::string timeless(const std::string& config);

}  // namespace test_support
