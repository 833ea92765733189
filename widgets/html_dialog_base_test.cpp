#include "widgets/html_dialog_base.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"

namespace sorvik {
namespace {

// Counts the paints that reach the dialog.
class CountingHtmlDialog : public CHtmlDialogBase {
 public:
  CountingHtmlDialog() : CHtmlDialogBase(IDD_MAIN_SEARCH, IDR_HTML_GUIDE) {}
  int paints = 0;

 protected:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override {
    if (message == WM_PAINT) ++paints;
    return CHtmlDialogBase::OnMessage(message, wparam, lparam, result);
  }
};

// Calls window.external.CallService(command) the way a page script does.
HRESULT CallFromScript(IDispatch* external, const wchar_t* method, const wchar_t* command,
                       VARIANT* result) {
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(method);
  HRESULT status = external->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(status)) return status;
  VARIANT argument;
  VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = SysAllocString(command);
  DISPPARAMS params = {&argument, nullptr, 1, 0};
  status = external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                            nullptr, nullptr);
  VariantClear(&argument);
  return status;
}

TEST(HtmlDialogBase, ScriptCallsAndPage) {
  OleInitialize(nullptr);
  CountingHtmlDialog dialog;
  ASSERT_NE(dialog.Create(nullptr), nullptr);
  ShowWindow(dialog.Handle(), SW_SHOWNOACTIVATE);
  UpdateWindow(dialog.Handle());
  IDispatch* external = dialog.External();
  VARIANT result;
  VariantInit(&result);
  {
    // "UPDATEWINDOW" repaints the dialog before the call returns, and answers an empty text.
    const int before = dialog.paints;
    InvalidateRect(dialog.Handle(), nullptr, FALSE);
    ASSERT_EQ(CallFromScript(external, L"CallService", L"UPDATEWINDOW", &result), S_OK);
    EXPECT_GT(dialog.paints, before);
    ASSERT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(result.bstrVal), 0u);
    VariantClear(&result);
  }
  {
    // Any other command does nothing; any other method is unknown.
    ValidateRect(dialog.Handle(), nullptr);
    const int before = dialog.paints;
    ASSERT_EQ(CallFromScript(external, L"CallService", L"CLOSE", &result), S_OK);
    EXPECT_EQ(dialog.paints, before);
    VariantClear(&result);
    EXPECT_EQ(CallFromScript(external, L"Navigate", L"x", &result), DISP_E_UNKNOWNNAME);
  }
  external->Release();
  {
    // Pages are addressed inside the running executable.
    char module[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ(CHtmlDialogBase::ResourceUrl(IDR_HTML_OFFLINE),
              "res://" + std::string(module) + "/206");
    EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HTML_OFFLINE), MAKEINTRESOURCEA(23)),
              nullptr);
  }
}

}  // namespace
}  // namespace sorvik
