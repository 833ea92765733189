#include "widgets/browser_site.h"

#include <vector>

namespace sorvik {

BrowserSite::BrowserSite(HWND host, IDispatch* external) : host_(host), external_(external) {
  if (external_ != nullptr) external_->AddRef();
}

BrowserSite::~BrowserSite() {
  Close();
  if (external_ != nullptr) external_->Release();
}

bool BrowserSite::Open(const RECT& rect) {
  rect_ = rect;
  if (FAILED(StgCreateDocfile(
          nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE, 0,
          &storage_))) {
    storage_ = nullptr;
    return false;
  }
  if (FAILED(OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr,
                       static_cast<IOleClientSite*>(this), storage_,
                       reinterpret_cast<void**>(&browser_)))) {
    browser_ = nullptr;
    return false;
  }
  browser_->SetHostNames(L"Sorvik", nullptr);
  OleSetContainedObject(browser_, TRUE);
  return SUCCEEDED(browser_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                    static_cast<IOleClientSite*>(this), 0, host_, &rect_));
}

bool BrowserSite::Navigate(const std::string& url) {
  if (browser_ == nullptr) return false;
  IWebBrowser2* web = nullptr;
  if (FAILED(browser_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&web)))) {
    return false;
  }
  int length = MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, url.c_str(), -1, wide.data(), length);
  BSTR address = SysAllocString(wide.data());
  VARIANT empty;
  VariantInit(&empty);
  HRESULT status = web->Navigate(address, &empty, &empty, &empty, &empty);
  SysFreeString(address);
  web->Release();
  return SUCCEEDED(status);
}

void BrowserSite::Move(const RECT& rect) {
  rect_ = rect;
  if (browser_ == nullptr) return;
  IOleInPlaceObject* in_place = nullptr;
  if (SUCCEEDED(
          browser_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&in_place)))) {
    in_place->SetObjectRects(&rect_, &rect_);
    in_place->Release();
  }
}

void BrowserSite::Close() {
  if (browser_ != nullptr) {
    browser_->Close(OLECLOSE_NOSAVE);
    browser_->SetClientSite(nullptr);
    browser_->Release();
    browser_ = nullptr;
  }
  if (storage_ != nullptr) storage_->Release();
  storage_ = nullptr;
}

HRESULT BrowserSite::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceSite) || IsEqualIID(iid, IID_IOleWindow)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceFrame) || IsEqualIID(iid, IID_IOleInPlaceUIWindow)) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else if (IsEqualIID(iid, IID_IDocHostUIHandler)) {
    *out = static_cast<IDocHostUIHandler*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG BrowserSite::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT BrowserSite::GetContainer(IOleContainer** out) {
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT BrowserSite::GetWindow(HWND* window) {
  *window = host_;
  return S_OK;
}

HRESULT BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                      LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  *frame = static_cast<IOleInPlaceFrame*>(this);
  AddRef();
  *doc = nullptr;
  *position = rect_;
  *clip = rect_;
  info->fMDIApp = FALSE;
  info->hwndFrame = host_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT BrowserSite::OnPosRectChange(LPCRECT rect) {
  Move(*rect);
  return S_OK;
}

HRESULT BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  info->cbSize = sizeof *info;
  info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  return S_OK;
}

HRESULT BrowserSite::GetExternal(IDispatch** out) {
  *out = external_;
  if (external_ == nullptr) return S_FALSE;
  external_->AddRef();
  return S_OK;
}

HRESULT BrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
  *out = nullptr;
  return S_FALSE;
}

HRESULT BrowserSite::FilterDataObject(IDataObject*, IDataObject** out) {
  *out = nullptr;
  return S_FALSE;
}

}  // namespace sorvik
