#include "tools/junk_cleaner_dlg.h"

#include <shlobj.h>

#include <cstring>

#include "res/resource_ids.h"
#include "widgets/check_list.h"
#include "widgets/dialog_icon.h"

namespace sorvik {
namespace {

constexpr int kColumnWidth = 180;
constexpr int kIconX = 10;
constexpr int kIconY = 20;
// A place whose path has this many bytes or fewer (a bare drive root) is left alone.
constexpr size_t kShortestPlace = 5;
constexpr char kMachineEnvironment[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

constexpr int kRowTemporaryFolders = 0;
constexpr int kRowInternetCache = 1;
constexpr int kRowRecycleBins = 2;
constexpr const char* kRowTexts[kCleanRowCount] = {
    "系统临时文件夹里的文件",
    "IE临时文件夹里的文件",
    "WINDOWS回收站里的文件",
};

// The file-system path of the shell folder `csidl`, or empty.
std::string ShellFolder(int csidl) {
  LPITEMIDLIST folder = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &folder)) || folder == nullptr) return "";
  char path[MAX_PATH] = {0};
  SHGetPathFromIDListA(folder, path);
  CoTaskMemFree(folder);
  return path;
}

}  // namespace

std::string JunkPlaces::UserTempFolder() {
  char path[MAX_PATH] = {0};
  const DWORD length = GetTempPathA(MAX_PATH, path);
  return length > 0 && length < MAX_PATH ? path : "";
}

std::string JunkPlaces::SystemTempFolder() {
  char value[MAX_PATH] = {0};
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, kMachineEnvironment, "TEMP",
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                   &size) != ERROR_SUCCESS)
    return "";
  char path[MAX_PATH] = {0};
  const DWORD length = ExpandEnvironmentStringsA(value, path, MAX_PATH);
  return length > 0 && length <= MAX_PATH && std::strchr(path, '%') == nullptr ? path : "";
}

std::string JunkPlaces::InternetCacheFolder() { return ShellFolder(CSIDL_INTERNET_CACHE); }

std::vector<std::string> JunkPlaces::KeptFolders() { return JunkCleaner::SystemKeptFolders(); }

void JunkPlaces::EmptyRecycleBins(HWND owner) {
  SHEmptyRecycleBinA(owner, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI);
}

CJunkCleanerDlg::CJunkCleanerDlg(JunkPlaces* places)
    : CDialogBase(IDD_JUNK_CLEANER), places_(places != nullptr ? places : &system_places_) {}

HWND CJunkCleanerDlg::List() const { return Item(IDC_CLEAN_LIST); }

BOOL CJunkCleanerDlg::OnInit() {
  HWND list = List();
  AddListColumn(list, "　清理内容", kColumnWidth);
  AddListColumn(list, "　状态", kColumnWidth);
  UseCheckBoxes(list);
  for (int row = 0; row < kCleanRowCount; ++row) {
    AddListRow(list, kRowTexts[row], row);
    SetCellText(list, row, 1, kCleanPending);
  }
  for (int row = 0; row < kCleanRowCount; ++row) SetRowChecked(list, row, true);
  return TRUE;
}

bool CJunkCleanerDlg::OnCommand(int id, int code, HWND control) {
  if (id == IDC_CLEAN_NOW) {
    CleanNow();
    return true;
  }
  return CDialogBase::OnCommand(id, code, control);
}

bool CJunkCleanerDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  (void)wparam;
  (void)lparam;
  if (message != WM_PAINT) return false;
  PaintDialogIcon(Handle(), IDI_APP, kIconX, kIconY);
  *result = TRUE;
  return true;
}

void CJunkCleanerDlg::CleanNow() {
  user_temp_ = places_->UserTempFolder();
  system_temp_ = places_->SystemTempFolder();
  internet_cache_ = places_->InternetCacheFolder();
  JunkCleaner cleaner(places_->KeptFolders());
  // Whatever path reaches the cleaner, it empties only a folder the system named.
  cleaner.AllowOnly({user_temp_, system_temp_, internet_cache_});
  HWND list = List();
  for (int row = 0; row < kCleanRowCount; ++row) {
    if (RowStateImage(list, row) == 1) continue;
    if (row == kRowTemporaryFolders) CleanTemporaryFolders(&cleaner);
    if (row == kRowInternetCache) CleanInternetCache(&cleaner);
    if (row == kRowRecycleBins) places_->EmptyRecycleBins(Handle());
    SetStatus(row, kCleanFinished);
  }
  ShowMessage(kCleanDoneText, kCleanCaption);
  End(IDOK);
}

void CJunkCleanerDlg::CleanTemporaryFolders(JunkCleaner* cleaner) {
  if (user_temp_.size() > kShortestPlace) cleaner->EmptyFolder(user_temp_);
  if (system_temp_.size() > kShortestPlace) cleaner->EmptyFolder(system_temp_);
}

void CJunkCleanerDlg::CleanInternetCache(JunkCleaner* cleaner) {
  if (internet_cache_.size() > kShortestPlace) cleaner->EmptyFolder(internet_cache_);
}

void CJunkCleanerDlg::SetStatus(int row, const char* status) {
  SetCellText(List(), row, 1, status);
}

}  // namespace sorvik
