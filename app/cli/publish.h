#pragma once
// kestrel-cli publish: the release put live in the safe order (see
// release/publish.h), each step printed as it ends.
#include "app/cli/request.h"

namespace CLI {
class App;
}

namespace cli {

// The publish command and its options, into `app`; they fill `request`.
CLI::App* add_publish_command(CLI::App& app, Request& request);

// Publishes as the request asks; returns the exit status.
int publish(const Request& request);

}  // namespace cli
