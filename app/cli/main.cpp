// The process entry of kestrel-cli, and of kestrel-cli-helper.
#include "app/cli/cli.h"
#include "runtime/process/process.h"

int main(int argc, char** argv) { return cli::run(runtime::command_line_arguments(argc, argv)); }
