#include "ui/options/index_option_dlg_win32.h"

#include <commctrl.h>

#include <vector>

#include "index/folder_exclusion.h"
#include "lifecycle/build_index.h"
#include "platform/drives.h"
#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "text/gbk_text.h"
#include "ui/command_ids.h"
#include "ui/options/interval_list.h"

namespace sorvik {
namespace {

constexpr int kDriveColumnWidth = 180;
constexpr int kPatternBytes = 1024;  // longest pattern the edit box gives

std::string ListBoxText(HWND list, int row) {
  const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, row, 0);
  if (length == LB_ERR) return std::string();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

CIndexOptionDlg::CIndexOptionDlg(ConfigStore* settings)
    : CDialogBase(IDD_INDEX_OPTION), settings_(settings) {}

BOOL CIndexOptionDlg::OnInit() { return OnInitDialog(); }

BOOL CIndexOptionDlg::OnInitDialog() {
  FillIntervalList(Item(IDC_INDEX_FREQUENCY), StoredInterval(settings_), kIntervalDropDownExtra);
  FillDrives();
  FillExcludeList();
  return TRUE;
}

bool CIndexOptionDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_INDEX_EXCLUDE_ADD && code == BN_CLICKED) {
    AddPattern();
    return true;
  }
  if (id == IDC_INDEX_EXCLUDE_REMOVE && code == BN_CLICKED) {
    RemovePattern();
    return true;
  }
  return CDialogBase::OnCommand(id, code, control);
}

bool CIndexOptionDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  if (message == kMsgKeywordEnter && reinterpret_cast<HWND>(wparam) == pattern_box_.Handle()) {
    AddPattern();
    *result = TRUE;
    return true;
  }
  return CDialogBase::OnMessage(message, wparam, lparam, result);
}

void CIndexOptionDlg::FillExcludeList() {
  HWND list = Item(IDC_INDEX_EXCLUDE_LIST);
  for (const std::string& pattern : ExcludedFolders(settings_)) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pattern.c_str()));
  }
  SendMessageA(Item(IDC_INDEX_EXCLUDE_PATTERN), EM_LIMITTEXT, kPatternBytes, 0);
  pattern_box_.Attach(Item(IDC_INDEX_EXCLUDE_PATTERN));
}

void CIndexOptionDlg::AddPattern() {
  HWND edit = Item(IDC_INDEX_EXCLUDE_PATTERN);
  char text[kPatternBytes + 1] = {0};
  GetWindowTextA(edit, text, sizeof text);
  const std::vector<std::string> typed = SplitExcludeList(text);  // blanks around it dropped
  if (typed.size() != 1 || !IsValidExcludePattern(typed[0])) {
    MessageBoxA(Handle(), kBadExcludeText, kNoticeCaption, MB_OK);
    SetFocus(edit);
    return;
  }
  HWND list = Item(IDC_INDEX_EXCLUDE_LIST);
  const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  int row = 0;
  while (row < rows && !GbkEqualNoCase(ListBoxText(list, row), typed[0])) ++row;
  if (row == rows) {
    row = static_cast<int>(
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(typed[0].c_str())));
  }
  SendMessageA(list, LB_SETCURSEL, row, 0);
  SetWindowTextA(edit, "");
}

void CIndexOptionDlg::RemovePattern() {
  HWND list = Item(IDC_INDEX_EXCLUDE_LIST);
  const int row = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
  if (row == LB_ERR) return;
  SendMessageA(list, LB_DELETESTRING, row, 0);
  const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  if (rows > 0) SendMessageA(list, LB_SETCURSEL, row < rows ? row : rows - 1, 0);
}

std::string CIndexOptionDlg::ListedPatterns() {
  HWND list = Item(IDC_INDEX_EXCLUDE_LIST);
  const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  std::vector<std::string> patterns;
  for (int row = 0; row < rows; ++row) patterns.push_back(ListBoxText(list, row));
  return JoinExcludeList(patterns);
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
  // What a build walks, compared before and after: ticking the drives that an empty choice
  // already meant changes nothing.
  const std::string walked = DrivesToWalk(settings_);
  settings_->Set(kConfigIndexPosition, positions);
  index_choice_changed_ = DrivesToWalk(settings_) != walked;
  // Written only once it differs, so that an untouched list keeps following the defaults.
  const std::string excluded = ListedPatterns();
  if (excluded != JoinExcludeList(ExcludedFolders(settings_))) {
    settings_->Set(kConfigIndexExclude, excluded);
    index_choice_changed_ = true;
  }
  return true;
}

}  // namespace sorvik
