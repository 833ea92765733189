// sorvik-cli: index and search from a terminal. See cli/cli_options.h for the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return sorvik::RunCli(args, stdout, stderr);
}
