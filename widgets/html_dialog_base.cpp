#include "widgets/html_dialog_base.h"

#include "widgets/browser_site.h"
#include "widgets/html_service.h"

namespace sorvik {

CHtmlDialogBase::CHtmlDialogBase(int template_id, int html_id)
    : CDialogBase(template_id), html_id_(html_id) {}

CHtmlDialogBase::~CHtmlDialogBase() {
  if (site_ != nullptr) {
    site_->Close();
    site_->Release();
  }
}

std::string CHtmlDialogBase::ResourceUrl(int html_id) {
  char module[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  return "res://" + std::string(module) + "/" + std::to_string(html_id);
}

std::string CHtmlDialogBase::CallService(const std::string& command) {
  if (command == kUpdateWindowCommand && Handle() != nullptr) {
    RedrawWindow(Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  return std::string();
}

IDispatch* CHtmlDialogBase::External() {
  return new HtmlService([this](const std::string& command) { CallService(command); });
}

bool CHtmlDialogBase::ShowPage(int html_id) {
  return site_ != nullptr && site_->Navigate(ResourceUrl(html_id));
}

BOOL CHtmlDialogBase::OnInit() {
  RECT client;
  GetClientRect(Handle(), &client);
  IDispatch* external = External();
  site_ = new BrowserSite(Handle(), external);
  external->Release();
  // Without a browser control on the system the dialog stays empty.
  if (!site_->Open(client)) {
    site_->Release();
    site_ = nullptr;
    return TRUE;
  }
  ShowPage(html_id_);
  return TRUE;
}

void CHtmlDialogBase::OnSize(UINT type, int cx, int cy) {
  if (site_ != nullptr && type != SIZE_MINIMIZED) site_->Move(RECT{0, 0, cx, cy});
}

bool CHtmlDialogBase::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  (void)lparam;
  (void)result;
  if (message == WM_DESTROY && site_ != nullptr) {
    site_->Close();
    site_->Release();
    site_ = nullptr;
  }
  return false;
}

}  // namespace sorvik
