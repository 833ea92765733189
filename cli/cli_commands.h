// sorvik-cli's commands, run in-process: index, search and the favourites.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sorvik {

// Exit status of the commands.
constexpr int kExitOk = 0;
constexpr int kExitNoIndex = 1;  // no usable index (or the build failed)
constexpr int kExitUsage = 2;    // the command line is wrong
constexpr int kExitInexact = 3;  // --paths left out entries whose exact path is unknown

// Runs one command line (without the program name, in the terminal's encoding) and returns the
// exit status. Results go to `out`, messages and progress to `err`.
int RunCli(const std::vector<std::string>& args, FILE* out, FILE* err);

}  // namespace sorvik
