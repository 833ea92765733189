// The object the page's script reaches as window.external: one method, CallService(command),
// which hands the command to its owner and answers with an empty text.
#pragma once

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <string>

namespace sorvik {

constexpr DISPID kDispIdCallService = 1;

class HtmlService : public IDispatch {
 public:
  // `handler` gets each command as GBK text.
  explicit HtmlService(std::function<void(const std::string&)> handler)
      : handler_(std::move(handler)) {}
  virtual ~HtmlService() = default;

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* bad_argument) override;

 private:
  std::function<void(const std::string&)> handler_;  // the owner's command handler
  ULONG references_ = 1;                             // COM reference count
};

}  // namespace sorvik
