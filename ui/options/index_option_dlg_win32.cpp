#include "ui/options/index_option_dlg_win32.h"

#include <commctrl.h>

#include "platform/drives.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "ui/options/interval_list.h"

namespace sorvik {
namespace {

constexpr int kDriveColumnWidth = 180;

}  // namespace

CIndexOptionDlg::CIndexOptionDlg(ConfigStore* settings)
    : CDialogBase(IDD_INDEX_OPTION), settings_(settings) {}

BOOL CIndexOptionDlg::OnInit() { return OnInitDialog(); }

BOOL CIndexOptionDlg::OnInitDialog() {
  FillIntervalList(Item(IDC_INDEX_FREQUENCY), StoredInterval(settings_), kIntervalDropDownExtra);
  FillDrives();
  return TRUE;
}

void CIndexOptionDlg::FillDrives() {
  const std::string positions = settings_->GetString(kConfigIndexPosition, "") + "|";
  HWND drives = Item(IDC_INDEX_DRIVES);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = kDriveColumnWidth;
  column.pszText = const_cast<char*>("磁盘");
  SendMessageA(drives, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  SendMessageA(drives, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  const uint32_t mask = LogicalDriveMask();
  for (int index = 0; index < 26; ++index) {
    if ((mask & (1u << index)) == 0) continue;
    const std::string name = std::string(1, static_cast<char>('A' + index)) + ":";
    const uint32_t type = DriveType(name + "\\");
    if (type != kDriveFixed && type != kDriveRemovable) continue;
    AddDrive(name, index, positions == "|" || positions.find(name) != std::string::npos);
  }
}

void CIndexOptionDlg::AddDrive(const std::string& name, int index, bool ticked) {
  HWND drives = Item(IDC_INDEX_DRIVES);
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(SendMessageA(drives, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = const_cast<char*>(name.c_str());
  item.lParam = index;
  int row =
      static_cast<int>(SendMessageA(drives, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  LVITEMA state = {};
  state.stateMask = LVIS_STATEIMAGEMASK;
  state.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
  SendMessageA(drives, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

std::string CIndexOptionDlg::TickedDrives() {
  HWND drives = Item(IDC_INDEX_DRIVES);
  const int rows = static_cast<int>(SendMessageA(drives, LVM_GETITEMCOUNT, 0, 0));
  std::string positions;
  for (int row = 0; row < rows; ++row) {
    UINT state =
        static_cast<UINT>(SendMessageA(drives, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    if ((state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(1)) continue;
    char name[8] = {0};
    LVITEMA item = {};
    item.iSubItem = 0;
    item.pszText = name;
    item.cchTextMax = sizeof name;
    SendMessageA(drives, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    if (!positions.empty()) positions += "|";
    positions += name;
  }
  return positions;
}

bool CIndexOptionDlg::Save() {
  int minutes = 0;
  if (SelectedInterval(Item(IDC_INDEX_FREQUENCY), &minutes))
    settings_->Set(kConfigIndexUpdateFreq, std::to_string(minutes));
  const std::string positions = TickedDrives();
  if (positions.empty()) {
    MessageBoxA(Handle(), kNoDriveChosenText, kNoticeCaption, MB_OK);
    return false;
  }
  settings_->Set(kConfigIndexPosition, positions);
  return true;
}

}  // namespace sorvik
