#include "support/temp_dir.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <system_error>

namespace test_support {

TempWorkingDir::TempWorkingDir() : previous_(std::filesystem::current_path()) {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("kestrel-test-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) break;
  }
  std::filesystem::current_path(path_);
}

TempWorkingDir::~TempWorkingDir() {
  std::error_code error;
  std::filesystem::current_path(previous_, error);
  // Make anything a test left read-only removable again.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, error);
       it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, error);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(path_, error);
}

std::string read_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_bytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> entries(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string timeless(const std::string& config) {
  static const std::regex stamp("LastUpdate=\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\r\n");
  return std::regex_replace(config, stamp, "LastUpdate=@\r\n");
}

}  // namespace test_support
