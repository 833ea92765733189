#include "ui/options/options_main_dlg.h"

#include <string>

#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "ui/options/interval_list.h"

namespace sorvik {
COptionsMainDlg::COptionsMainDlg(ConfigStore* settings)
    : CDialogBase(IDD_OPTIONS_INTERVAL), settings_(settings) {}

BOOL COptionsMainDlg::OnInit() {
  FillIntervalList(Item(IDC_INDEX_FREQUENCY), StoredInterval(settings_), kIntervalDropDownExtra);
  return TRUE;
}

bool COptionsMainDlg::OnCommand(int id, int code, HWND control) {
  int minutes = 0;
  if (id == IDOK && SelectedInterval(Item(IDC_INDEX_FREQUENCY), &minutes))
    settings_->Set(kConfigIndexUpdateFreq, std::to_string(minutes));
  return CDialogBase::OnCommand(id, code, control);
}

}  // namespace sorvik
