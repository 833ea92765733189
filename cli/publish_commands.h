// sorvik-cli's publisher commands: what whoever feeds the update server runs.
//   sorvik-cli publish notices TEXT_FILE OUT_FILE   the encrypted notice file from a GBK text
//   sorvik-cli publish sign FILE...                 one "SIGNATURE<TAB>FILE" line per file
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace sorvik {

// Runs `args` (starting with "publish") and returns the exit status: 0 on success, 2 for a
// usage error, 1 when a file could not be read or written.
int RunPublish(const std::vector<std::string>& args, FILE* out, FILE* err);

}  // namespace sorvik
