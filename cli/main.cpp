// sorvik-cli: index and search from a terminal. See cli/cli_options.h for the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  // Before anything is opened: a closed standard output must not become the first file opened.
  sorvik::EnsureStandardDescriptors();
  std::vector<std::string> args = sorvik::CommandLineArguments(argc, argv);
  return sorvik::RunCli(args, stdout, stderr);
}
