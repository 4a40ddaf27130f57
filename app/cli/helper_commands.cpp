// The commands that need the network, hash or archive libraries, run in
// this program: kestrel-cli-helper, or kestrel-cli.exe on Windows.
#include "app/cli/helper.h"
#include "app/cli/check_package.h"
#include "app/cli/publish.h"
#include "app/cli/verify.h"

namespace cli {

int run_helper_command(const Request& request, const std::vector<std::string>&) {
  if (!enter_directory(request)) return status_refused;
  switch (request.command) {
    case Command::inspect: return inspect(request);
    case Command::publish: return publish(request);
    default: return verify(request);
  }
}

}  // namespace cli
