// kestrel-cli on POSIX systems: the commands that need the network, hash or
// archive libraries are handed, whole command line and all, to
// kestrel-cli-helper, which this program links none of. The helper lies
// beside kestrel-cli in a build, and in the libexec folder once installed.
#include <filesystem>

#include "app/cli/helper.h"
#include "runtime/process/console.h"
#include "runtime/process/process.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr char helper_name[] = "kestrel-cli-helper";

std::vector<fs::path> helper_places() {
  const fs::path folder = runtime::program_file().parent_path();
  return {folder / helper_name, folder / KESTREL_HELPER_FOLDER / helper_name};
}

}  // namespace

int run_helper_command(const Request&, const std::vector<std::string>& arguments) {
  std::string looked;
  for (const fs::path& place : helper_places()) {
    std::error_code missing;
    if (!fs::is_regular_file(place, missing)) {
      looked += (looked.empty() ? "" : ", ") + place.lexically_normal().string();
      continue;
    }
    std::vector<std::string> handed = arguments;
    handed.front() = place.string();
    std::string error;
    runtime::replace_process(place, handed, error);
    runtime::print_err("kestrel-cli: cannot start " + place.string() + ": " + error + "\n");
    return status_not_checked;
  }
  runtime::print_err("kestrel-cli: this command runs in kestrel-cli-helper, which is not installed (looked for " +
                     looked + ")\n");
  return status_not_checked;
}

}  // namespace cli
