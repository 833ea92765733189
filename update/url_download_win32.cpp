#include <windows.h>
// The WinINet declarations need the base types of windows.h first.
#include <wininet.h>

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

constexpr char kAgent[] = "Sorvik";
constexpr DWORD kReadChunk = 16 * 1024;
// A fresh answer every time, and nothing of it kept: no cache entry, no cookie, no dialog.
constexpr DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH;

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// Closes the session when the whole-download deadline passes: that ends a blocked connect,
// request or read at once, whatever the server does. Stop() before the session is closed.
class Watchdog {
 public:
  Watchdog(HINTERNET session, DWORD ms) : session_(session), ms_(ms) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ != nullptr) thread_ = CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
  }
  ~Watchdog() { Stop(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Ends the watch; true when the deadline had already closed the session.
  bool Stop() {
    if (thread_ != nullptr) {
      SetEvent(stop_);
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
    if (stop_ != nullptr) CloseHandle(stop_);
    stop_ = nullptr;
    return fired_;
  }
  // Without its thread the watch cannot keep the deadline: the download must not start.
  bool Running() const { return thread_ != nullptr; }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* watch = static_cast<Watchdog*>(self);
    if (WaitForSingleObject(watch->stop_, watch->ms_) == WAIT_TIMEOUT) {
      watch->fired_ = true;
      InternetCloseHandle(watch->session_);
    }
    return 0;
  }

  HINTERNET session_;
  DWORD ms_;
  HANDLE stop_ = nullptr;    // set by Stop()
  HANDLE thread_ = nullptr;  // waits for stop_ or the deadline
  volatile bool fired_ = false;
};

void SetTimeouts(HINTERNET session, DWORD ms) {
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionA(session, option, &ms, sizeof ms);
  }
  DWORD retries = 1;
  InternetSetOptionA(session, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

// The answer's status and announced length (-1 when none); false for a non-2xx answer, an
// unreadable length or one over `max_bytes`.
bool AcceptableAnswer(HINTERNET request, uint64_t max_bytes, int64_t* announced) {
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                      nullptr) ||
      status < 200 || status > 299)
    return false;
  char length[32] = {0};
  size = sizeof length - 1;
  *announced = -1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr)) return true;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(length, &end, 10);
  if (end == length || *end != '\0' || value > max_bytes) return false;
  *announced = static_cast<int64_t>(value);
  return true;
}

// After any redirects the answer must still come from an http or https address.
bool StillHttp(HINTERNET request) {
  char url[2048] = {0};
  DWORD size = sizeof url - 1;
  return InternetQueryOptionA(request, INTERNET_OPTION_URL, url, &size) && IsHttpUrl(url);
}

// Copies the body into `file` until its end, the cap or the deadline.
bool CopyBody(HINTERNET request, WinFile* file, const DownloadLimits& limits, DWORD started,
              uint64_t* received) {
  std::unique_ptr<char[]> buffer(new char[kReadChunk]);
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.get(), kReadChunk, &got)) return false;
    if (got == 0) return true;
    *received += got;
    if (*received > limits.max_bytes || file->Write(buffer.get(), got) != got) return false;
    if (GetTickCount() - started > limits.total_ms) return false;
  }
}

// Requests `url` on `session` (the request handle goes to `request`) and writes the answer's
// body to `path`.
bool Transfer(HINTERNET session, const std::string& url, const std::string& path,
              const DownloadLimits& limits, DWORD started, HINTERNET* request) {
  *request = InternetOpenUrlA(session, url.c_str(), nullptr, 0, kRequestFlags, 0);
  int64_t announced = -1;
  if (*request == nullptr || !AcceptableAnswer(*request, limits.max_bytes, &announced) ||
      !StillHttp(*request))
    return false;
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  uint64_t received = 0;
  return file != nullptr && file->SetSize(0) &&
         CopyBody(*request, file.get(), limits, started, &received) &&
         (announced < 0 || received == static_cast<uint64_t>(announced));
}

// The download proper; `path` may be left behind on failure.
bool Fetch(const std::string& url, const std::string& path, const DownloadLimits& limits) {
  const DWORD started = GetTickCount();
  HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return false;
  SetTimeouts(session, limits.idle_ms);
  Watchdog watch(session, limits.total_ms);
  HINTERNET request = nullptr;
  const bool ok = watch.Running() && Transfer(session, url, path, limits, started, &request);
  if (watch.Stop()) return false;  // the deadline closed the session and its request
  if (request != nullptr) InternetCloseHandle(request);
  InternetCloseHandle(session);
  return ok;
}

}  // namespace

bool IsHttpUrl(const std::string& url) {
  return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://");
}

bool DownloadUrlToFile(const std::string& url, const std::string& path,
                       const DownloadLimits& limits) {
  RemoveFile(path);
  if (!IsHttpUrl(url)) return false;
  DeleteUrlCacheEntryA(url.c_str());
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
