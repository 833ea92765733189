#include <windows.h>
// The WinHTTP declarations need the base types of windows.h first.
#include <winhttp.h>

#include <cctype>
#include <cstdlib>
#include <memory>

#include "platform/file.h"
#include "platform/fs.h"
#include "update/url_download.h"

#ifndef SORVIK_UPDATE_SERVER_DEFAULT
#define SORVIK_UPDATE_SERVER_DEFAULT "https://update.sorvik.example"
#endif

namespace sorvik {
namespace {

constexpr wchar_t kAgent[] = L"Sorvik";
constexpr DWORD kReadChunk = 16 * 1024;
// WinHTTP keeps no cache at all. Its connections are not kept for reuse: a refused answer is
// dropped with its connection instead of being read to its end for the next request, which a
// server announcing an endless length would otherwise turn into an endless read. No cookies,
// no logon with the user's credentials.
constexpr DWORD kDisabledFeatures =
    WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_KEEP_ALIVE | WINHTTP_DISABLE_AUTHENTICATION;
constexpr wchar_t kFreshAnswer[] = L"Cache-Control: no-cache\r\nPragma: no-cache\r\n";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

std::wstring Wide(const std::string& text) {
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(length > 0 ? length : 0, L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// Closes a WinHTTP handle when it goes out of scope.
struct HttpHandle {
  explicit HttpHandle(HINTERNET h) : handle(h) {}
  ~HttpHandle() {
    if (handle != nullptr) WinHttpCloseHandle(handle);
  }
  HttpHandle(const HttpHandle&) = delete;
  HttpHandle& operator=(const HttpHandle&) = delete;
  HINTERNET handle;
};

// Milliseconds left of `total_ms` since `started`, at least 1 while any are left; 0 when none.
DWORD Remaining(DWORD started, DWORD total_ms) {
  const DWORD spent = GetTickCount() - started;
  return spent >= total_ms ? 0 : total_ms - spent;
}

// Bounds the next blocking call on `request`: the idle deadline, or what is left of the whole.
bool BoundNextWait(HINTERNET request, const DownloadLimits& limits, DWORD started) {
  DWORD wait = Remaining(started, limits.total_ms);
  if (wait == 0) return false;
  if (wait > limits.idle_ms) wait = limits.idle_ms;
  for (DWORD option : {WINHTTP_OPTION_CONNECT_TIMEOUT, WINHTTP_OPTION_SEND_TIMEOUT,
                       WINHTTP_OPTION_RECEIVE_TIMEOUT, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT}) {
    WinHttpSetOption(request, option, &wait, sizeof wait);
  }
  return true;
}

// The answer's announced length (-1 when none); false for a non-2xx answer, an unreadable
// length or one over `max_bytes`.
bool AcceptableAnswer(HINTERNET request, uint64_t max_bytes, int64_t* announced) {
  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status < 200 || status > 299)
    return false;
  wchar_t length[32] = {0};
  size = sizeof length - sizeof length[0];
  *announced = -1;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                           length, &size, WINHTTP_NO_HEADER_INDEX))
    return true;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(length, &end, 10);
  if (end == length || *end != L'\0' || value > max_bytes) return false;
  *announced = static_cast<int64_t>(value);
  return true;
}

// Copies the body into `file` until its end, the cap or a deadline.
bool CopyBody(HINTERNET request, WinFile* file, const DownloadLimits& limits, DWORD started,
              uint64_t* received) {
  std::unique_ptr<char[]> buffer(new char[kReadChunk]);
  for (;;) {
    // Asks what has arrived and reads no more than that: a read of a whole chunk would wait
    // for the chunk to fill, byte by byte, past any deadline.
    DWORD available = 0, got = 0;
    if (!BoundNextWait(request, limits, started) || !WinHttpQueryDataAvailable(request, &available))
      return false;
    if (available > kReadChunk) available = kReadChunk;
    if (available > 0 && !WinHttpReadData(request, buffer.get(), available, &got)) return false;
    if (got == 0) return true;
    *received += got;
    if (*received > limits.max_bytes || file->Write(buffer.get(), got) != got) return false;
  }
}

// Sends the request for `url` on `session` and waits for the answer's head.
HINTERNET OpenRequest(HINTERNET session, const std::string& url, const DownloadLimits& limits,
                      DWORD started, HINTERNET* connection) {
  const std::wstring wide = Wide(url);
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts) ||
      parts.dwHostNameLength == 0)
    return nullptr;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
  object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  *connection = WinHttpConnect(session, host.c_str(), parts.nPort, 0);
  if (*connection == nullptr) return nullptr;
  const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  HINTERNET request =
      WinHttpOpenRequest(*connection, L"GET", object.empty() ? L"/" : object.c_str(), nullptr,
                         WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure);
  if (request == nullptr) return nullptr;
  DWORD disabled = kDisabledFeatures;
  WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled);
  if (!BoundNextWait(request, limits, started) ||
      !WinHttpSendRequest(request, kFreshAnswer, static_cast<DWORD>(-1), WINHTTP_NO_REQUEST_DATA, 0,
                          0, 0) ||
      !BoundNextWait(request, limits, started) || !WinHttpReceiveResponse(request, nullptr)) {
    WinHttpCloseHandle(request);
    return nullptr;
  }
  return request;
}

// The download proper; `path` may be left behind on failure.
bool Fetch(const std::string& url, const std::string& path, const DownloadLimits& limits) {
  const DWORD started = GetTickCount();
  HttpHandle session(WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, 0));
  if (session.handle == nullptr) return false;
  const int idle = static_cast<int>(limits.idle_ms);
  WinHttpSetTimeouts(session.handle, idle, idle, idle, idle);
  HINTERNET connection = nullptr;
  HttpHandle request(OpenRequest(session.handle, url, limits, started, &connection));
  HttpHandle connected(connection);
  int64_t announced = -1;
  if (request.handle == nullptr || !AcceptableAnswer(request.handle, limits.max_bytes, &announced))
    return false;
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  uint64_t received = 0;
  return file != nullptr && file->SetSize(0) &&
         CopyBody(request.handle, file.get(), limits, started, &received) &&
         (announced < 0 || received == static_cast<uint64_t>(announced));
}

}  // namespace

bool IsHttpUrl(const std::string& url) {
  return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

bool DownloadUrlToFile(const std::string& url, const std::string& path,
                       const DownloadLimits& limits) {
  RemoveFile(path);
  if (!IsHttpUrl(url)) return false;
  if (Fetch(url, path, limits)) return true;
  RemoveFile(path);
  return false;
}

std::string UpdateServer() {
  const char* value = std::getenv("SORVIK_UPDATE_SERVER");
  std::string server = value != nullptr && *value != '\0' ? value : SORVIK_UPDATE_SERVER_DEFAULT;
  while (!server.empty() && server.back() == '/') server.pop_back();
  return server;
}

}  // namespace sorvik
