// Downloads of the server's files through the system's URL download function, with a cap on
// the size: a server that sends more than the cap gets the download aborted and the file
// deleted, so a hostile server cannot fill the disk.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

// Drops `url` from the browser cache, then downloads it to `path`. True when the whole file
// arrived and is at most `max_bytes` long; otherwise `path` does not exist afterwards.
bool DownloadUrlToFile(const std::string& url, const std::string& path, uint64_t max_bytes);

// The server's address without a trailing "/": the environment variable SORVIK_UPDATE_SERVER
// when set and not empty, otherwise the address built into the program.
std::string UpdateServer();

}  // namespace sorvik
