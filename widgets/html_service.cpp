#include "widgets/html_service.h"

#include <cwchar>

#include "widgets/ansi_text.h"

namespace sorvik {

HRESULT HtmlService::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG HtmlService::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT HtmlService::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}

HRESULT HtmlService::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT HtmlService::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HRESULT status = S_OK;
  for (UINT i = 0; i < count; ++i) {
    bool known = i == 0 && names[i] != nullptr && _wcsicmp(names[i], L"CallService") == 0;
    ids[i] = known ? kDispIdCallService : DISPID_UNKNOWN;
    if (!known) status = DISP_E_UNKNOWNNAME;
  }
  return status;
}

HRESULT HtmlService::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                            VARIANT* result, EXCEPINFO*, UINT* bad_argument) {
  if (id != kDispIdCallService) return DISP_E_MEMBERNOTFOUND;
  if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
  if (params == nullptr || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  VARIANT text;
  VariantInit(&text);
  if (FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR))) {
    if (bad_argument != nullptr) *bad_argument = 0;
    return DISP_E_TYPEMISMATCH;
  }
  const std::string command = WideToAnsi(text.bstrVal != nullptr ? text.bstrVal : L"");
  VariantClear(&text);
  handler_(command);
  if (result != nullptr) {
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(L"");
  }
  return S_OK;
}

}  // namespace sorvik
