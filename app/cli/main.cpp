// The process entry of kestrel-cli.
#include "app/cli/cli.h"
#include "app/cli/terminal.h"

int main(int argc, char** argv) { return cli::run(cli::command_line_arguments(argc, argv)); }
