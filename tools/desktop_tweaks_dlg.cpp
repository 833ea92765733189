#include "tools/desktop_tweaks_dlg.h"

#include <shlobj.h>

#include "res/resource_ids.h"
#include "widgets/check_list.h"
#include "widgets/dialog_icon.h"

namespace sorvik {
namespace {

constexpr int kOptionColumnWidth = 220;
constexpr int kGroupColumnWidth = 230;
constexpr int kIconX = 10;
constexpr int kIconY = 20;
constexpr UINT kBroadcastTimeoutMs = 1000;

}  // namespace

CDesktopTweaksDlg::CDesktopTweaksDlg(const DesktopRegistry& registry)
    : CDialogBase(IDD_DESKTOP_TWEAKS), registry_(registry) {}

BOOL CDesktopTweaksDlg::OnInit() {
  HWND list = Item(IDC_TWEAKS_LIST);
  AddListColumn(list, "　选项", kOptionColumnWidth);
  AddListColumn(list, "　描述", kGroupColumnWidth);
  UseCheckBoxes(list);
  options_ = AvailableDesktopOptions(registry_);
  for (size_t index = 0; index < options_.size(); ++index) {
    DesktopOption& option = *options_[index];
    const int row = AddListRow(list, option.text(), static_cast<LPARAM>(index));
    SetCellText(list, row, 1, option.group());
    SetRowChecked(list, row, option.isOn());
  }
  return TRUE;
}

bool CDesktopTweaksDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDOK) {
    ApplyAll();
    return true;
  }
  return CDialogBase::OnCommand(id, code, control);
}

bool CDesktopTweaksDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  (void)lparam;
  if (message != WM_PAINT) return false;
  PaintDialogIcon(Handle(), IDI_APP, kIconX, kIconY);
  *result = TRUE;
  return true;
}

void CDesktopTweaksDlg::ApplyAll() {
  HWND list = Item(IDC_TWEAKS_LIST);
  for (size_t index = 0; index < options_.size(); ++index)
    options_[index]->apply(RowStateImage(list, static_cast<int>(index)) != 1);
  NotifyShell();
  ShowMessage(kTweaksDoneText, kTweaksCaption);
  End(IDOK);
}

void CDesktopTweaksDlg::NotifyShell() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
  // A window that does not answer must not hold the dialog up.
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs,
                      nullptr);
}

}  // namespace sorvik
