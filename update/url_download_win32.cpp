#include <windows.h>
// URL monikers and the cache functions need the base types of windows.h first.
#include <urlmon.h>
#include <wininet.h>

#include <cstdlib>

#include "platform/fs.h"
#include "update/url_download.h"

#ifndef SORVIK_UPDATE_SERVER_DEFAULT
#define SORVIK_UPDATE_SERVER_DEFAULT "https://update.sorvik.example"
#endif

namespace sorvik {
namespace {

// Watches a download: aborts it once more than `limit` bytes have arrived, and keeps the HTTP
// status and the announced length so that an error page or a cut transfer counts as a failure.
class DownloadWatch : public IBindStatusCallback, public IHttpNegotiate {
 public:
  explicit DownloadWatch(uint64_t limit) : limit_(limit) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
    if (id == IID_IUnknown || id == IID_IBindStatusCallback) {
      *out = static_cast<IBindStatusCallback*>(this);
    } else if (id == IID_IHttpNegotiate) {
      *out = static_cast<IHttpNegotiate*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  // The object lives on the caller's stack for the whole (blocking) download.
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG total, ULONG, LPCWSTR) override {
    if (total > announced_) announced_ = total;
    return progress > limit_ || total > limit_ ? E_ABORT : S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR* extra_headers) override {
    *extra_headers = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* extra) override {
    if (extra != nullptr) *extra = nullptr;
    status_ = code;
    return S_OK;
  }

  // Whether a file of `size` bytes is the whole, accepted answer.
  bool Complete(uint64_t size) const {
    const bool status_ok = status_ == 0 || (status_ >= 200 && status_ < 300);
    return status_ok && size <= limit_ && (announced_ == 0 || size == announced_);
  }

 private:
  uint64_t limit_;          // most bytes accepted
  uint64_t announced_ = 0;  // the length the server announced, 0 when unknown
  DWORD status_ = 0;        // the HTTP status, 0 when none was reported
};

}  // namespace

bool DownloadUrlToFile(const std::string& url, const std::string& path, uint64_t max_bytes) {
  DeleteUrlCacheEntryA(url.c_str());
  DownloadWatch watch(max_bytes);
  const bool ok = URLDownloadToFileA(nullptr, url.c_str(), path.c_str(), 0, &watch) == S_OK;
  uint64_t size = 0;
  if (ok && FileSizeOf(path, &size) && watch.Complete(size)) return true;
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
