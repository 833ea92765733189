// Downloads of the server's files, bounded in every way a hostile or broken server could abuse:
// a cap on the size, a deadline for the next byte and one for the whole download, nothing
// written to the browser's cache, and only http and https addresses.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

constexpr uint32_t kDownloadIdleMs = 30 * 1000;       // longest wait for the next byte
constexpr uint32_t kDownloadTotalMs = 3 * 60 * 1000;  // longest whole download

struct DownloadLimits {
  uint64_t max_bytes = 0;                // the most bytes accepted
  uint32_t idle_ms = kDownloadIdleMs;    // connecting, or waiting for the next bytes
  uint32_t total_ms = kDownloadTotalMs;  // the whole download, from the first request on
};

// Downloads `url` to `path` through WinHTTP, which keeps no cache: the browser's cache is
// neither read nor written.
// True when the whole file arrived with a 2xx status, matches the announced length and is at
// most `limits.max_bytes` long, within both deadlines; otherwise `path` does not exist
// afterwards. Addresses other than http:// and https:// are refused.
bool DownloadUrlToFile(const std::string& url, const std::string& path,
                       const DownloadLimits& limits);

// Whether `url` starts with "http://" or "https://" (the scheme in any letter case).
bool IsHttpUrl(const std::string& url);

// The server's address without a trailing "/": the environment variable SORVIK_UPDATE_SERVER
// when set and not empty, otherwise the address built into the program.
std::string UpdateServer();

}  // namespace sorvik
