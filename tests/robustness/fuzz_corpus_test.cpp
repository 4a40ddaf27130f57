// The fuzz targets' seed corpora (tests/fuzz/corpus), and every input that
// once broke a rule and was added there, replayed through the same cases in
// the ordinary build, so they run with every test run.
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "gbk_case.h"
#include "input_checks_case.h"
#include "package_case.h"
#include "profile_case.h"
#include "support/temp_dir.h"

namespace robustness {
namespace {

namespace fs = std::filesystem;

using Case = std::function<std::string(const std::uint8_t*, std::size_t)>;

void replay(const char* target, const Case& run) {
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(KESTREL_FUZZ_CORPUS) / target)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    EXPECT_EQ(run(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), "")
        << entry.path().filename();
    ++replayed;
  }
  EXPECT_GE(replayed, 5) << "the corpus of " << target << " is missing";
}

TEST(FuzzCorpus, ProfileInputsKeepTheirRules) {
  test_support::TempWorkingDir dir;
  fs::create_directory("case");
  replay("profile", [](const std::uint8_t* data, std::size_t size) {
    for (const auto& left : fs::directory_iterator("case")) fs::remove(left.path());
    return fuzz::run_profile_case(data, size, "case");
  });
}

TEST(FuzzCorpus, GbkInputsKeepTheirRules) { replay("gbk", fuzz::run_gbk_case); }

TEST(FuzzCorpus, InputCheckInputsKeepTheirRules) { replay("input_checks", fuzz::run_input_checks_case); }

TEST(FuzzCorpus, PackageInputsGetAVerdict) {
  test_support::TempWorkingDir dir;
  replay("package", [](const std::uint8_t* data, std::size_t size) { return fuzz::run_package_case(data, size, "."); });
}

}  // namespace
}  // namespace robustness
