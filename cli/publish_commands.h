// sorvik-cli's publisher commands: what whoever feeds the update server runs.
//   sorvik-cli publish keygen KEY                   a key pair: KEY (private) and KEY.pub
//   sorvik-cli publish notices TEXT_FILE OUT_FILE [--key KEY]
//                                                   the encrypted notice file from a GBK text,
//                                                   and OUT_FILE.sig signed with KEY
//   sorvik-cli publish list --key KEY --version V LIST_FILE
//                                                   LIST_FILE.sig: the list and the version it
//                                                   installs, signed with KEY
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
