#include "ui/results/result_actions.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "query/search_result.h"
#include "settings/config_store.h"
#include "text/gbk_text.h"
#include "ui/results/basic_list_ctrl.h"
#include "ui/results/file_drop.h"
#include "widgets/shell_item_menu.h"

namespace sorvik {
namespace {

constexpr DWORD kNoAssociation = 1155;  // ERROR_NO_ASSOCIATION

void AppendItem(HMENU menu, UINT id, const char* caption) {
  AppendMenuA(menu, MF_STRING, id, caption);
}

// Whether the file at `path` is gone; false when it is there or when that cannot be told.
bool FileIsGone(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  const size_t slash = GbkLastBackslash(path);
  const size_t name = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name) return "";
  return path.substr(dot);
}

bool IsPicturePath(const std::string& path) {
  const std::string extension = ExtensionOf(path);
  if (extension.size() < 2) return false;
  const std::string key = "|" + GbkUpperAscii(extension.substr(1)) + "|";
  return std::string(kPictureExtensions).find(key) != std::string::npos;
}

std::string RegisterParameters(const std::string& path, bool unregister) {
  return (unregister ? "/u \"" : "\"") + path + "\"";
}

int AppendOwnItems(HMENU menu, const std::string& path, bool folder) {
  AppendItem(menu, kCmdOpenFolder, "打开所在的目录");
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  int default_position = 0;
  const std::string extension = GbkUpperAscii(ExtensionOf(path));
  if (!folder && !extension.empty()) {
    if (IsPicturePath(path)) {
      default_position = GetMenuItemCount(menu);
      AppendItem(menu, kCmdPreviewPicture, "预览图片");
    } else if (extension == ".DLL" || extension == ".OCX") {
      const bool control = extension == ".OCX";
      AppendItem(menu, kCmdRegister, control ? "注册控件" : "注册COM组件");
      AppendItem(menu, kCmdUnregister, control ? "反注册控件" : "反注册COM组件");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    AppendItem(menu, kCmdMd5, "计算MD5值");
  }
  SetMenuDefaultItem(menu, static_cast<UINT>(default_position), TRUE);
  return default_position;
}

// A separator between the program's items and the shell's that follow; none at the end when
// the shell adds nothing.
void EndOwnItems(HMENU menu, bool shell_items_follow) {
  const int count = GetMenuItemCount(menu);
  if (count <= 0) return;
  const bool separator_last = (GetMenuState(menu, count - 1, MF_BYPOSITION) & MF_SEPARATOR) != 0;
  if (shell_items_follow && !separator_last) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  if (!shell_items_follow && separator_last) DeleteMenu(menu, count - 1, MF_BYPOSITION);
}

DWORD ActionSystem::ShellRun(HWND owner, const char* verb, const std::string& file,
                             const std::string& parameters, const std::string& folder) {
  SetLastError(0);
  ShellExecuteA(owner, verb, file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                folder.empty() ? nullptr : folder.c_str(), SW_SHOWNORMAL);
  return GetLastError();
}

int ActionSystem::Ask(HWND owner, const std::string& text, const char* caption, UINT flags) {
  return MessageBoxA(owner, text.c_str(), caption, flags);
}

int ActionSystem::TrackMenu(HMENU popup, HWND owner, POINT screen) {
  return ShellItemMenu::TrackPopup(popup, owner, screen);
}

bool ActionSystem::StartDrag(DragJob job) { return StartDragThread(job); }

bool ResultActions::OnNotify(NMHDR* header, LRESULT* result) {
  switch (header->code) {
    case NM_DBLCLK:
    case NM_RETURN:
      OpenFocused();
      break;
    case NM_RCLICK:
      ShowContextMenu(reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction);
      *result = TRUE;
      return true;
    case LVN_BEGINDRAG:
      BeginDrag();
      break;
    case LVN_KEYDOWN:
      OnKeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
      break;
    default:
      return false;
  }
  *result = 0;
  return true;
}

void ResultActions::OnKeyDown(WORD key) {
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (key == VK_DELETE) {
    DeleteSelected();
  } else if (control && key == 'A') {
    SelectAll();
  } else if (control && key == 'C') {
    CopySelected();
  }
}

HWND ResultActions::MainWindow() const {
  HWND root = GetAncestor(list_->Handle(), GA_ROOT);
  return root != nullptr ? root : list_->Handle();
}

bool ResultActions::RowPath(int row, std::string* path, bool* folder) {
  SearchResult* result = list_->Result();
  EntryDetails details;
  if (result == nullptr || row < 0 || static_cast<size_t>(row) >= result->ids.size() ||
      !result->GetDetails(result->ids[row], &details) || details.name.empty())
    return false;
  *path = details.FullPath();
  if (folder != nullptr) *folder = details.IsFolder();
  return true;
}

std::vector<int> ResultActions::SelectedRows() {
  std::vector<int> rows;
  int row = -1;
  while ((row = static_cast<int>(
              SendMessageA(list_->Handle(), LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0) {
    if (!rows.empty() && row <= rows.back()) break;  // never loop on a list that wraps
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ResultActions::SelectedPaths() {
  std::vector<std::string> paths;
  std::string path;
  for (int row : SelectedRows())
    if (RowPath(row, &path)) paths.push_back(path);
  return paths;
}

void ResultActions::OpenFocused() {
  if (list_->Handle() == nullptr) return;
  const int row =
      static_cast<int>(SendMessageA(list_->Handle(), LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
  if (row >= 0) Open(row);
}

void ResultActions::Open(int row) {
  std::string path;
  bool folder = false;
  if (!RowPath(row, &path, &folder)) return;
  if (!folder && IsPicturePath(path)) {
    if (hooks_.open_viewer) hooks_.open_viewer(MainWindow(), list_->Result(), row);
    return;
  }
  if (system_->ShellRun(MainWindow(), "open", path, "", "") != kNoAssociation) return;
  const size_t slash = GbkLastBackslash(path);
  if (slash == std::string::npos) return;
  system_->ShellRun(MainWindow(), nullptr, path.substr(slash + 1), "", path.substr(0, slash + 1));
}

void ResultActions::ShowContextMenu(POINT client) {
  const std::vector<int> rows = SelectedRows();
  const std::vector<std::string> paths = SelectedPaths();
  if (rows.empty() || paths.empty()) return;
  HMENU popup = CreatePopupMenu();
  if (popup == nullptr) return;
  const int own_row = OwnItemsRow(rows, client);
  std::string own_path;
  bool folder = false;
  const bool own = own_row >= 0 && RowPath(own_row, &own_path, &folder);
  const int default_position = own ? AppendOwnItems(popup, own_path, folder) : -1;
  ShellItemMenu shell;
  EndOwnItems(popup, shell.Fill(paths, list_->Handle()));
  POINT screen = client;
  ClientToScreen(list_->Handle(), &screen);
  const int chosen =
      shell.Track(popup, list_->Handle(), screen, MainWindow(),
                  [this, default_position](HMENU menu, HWND owner, POINT at) {
                    // The shell makes its first item the default; the program's item stays the
                    // default.
                    if (default_position >= 0)
                      SetMenuDefaultItem(menu, static_cast<UINT>(default_position), TRUE);
                    return GetMenuItemCount(menu) > 0 ? system_->TrackMenu(menu, owner, at) : 0;
                  });
  DestroyMenu(popup);
  if (own && chosen != 0) RunOwnCommand(chosen, own_row, own_path);
  if (AnySelectedFileGone()) DropDeletedRows();
}

// One selected row gets the program's items; of several, the one under the cursor (none when the
// cursor is on no selected row).
int ResultActions::OwnItemsRow(const std::vector<int>& rows, POINT client) const {
  if (rows.size() == 1) return rows[0];
  LVHITTESTINFO hit = {};
  hit.pt = client;
  const int row = static_cast<int>(
      SendMessageA(list_->Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return std::find(rows.begin(), rows.end(), row) != rows.end() ? row : -1;
}

bool ResultActions::AnySelectedFileGone() {
  std::string path;
  for (int row : SelectedRows())
    if (RowPath(row, &path) && FileIsGone(path)) return true;
  return false;
}

void ResultActions::RunOwnCommand(int id, int row, const std::string& path) {
  switch (static_cast<UINT>(id)) {
    case kCmdPreviewPicture:
      if (hooks_.open_viewer) hooks_.open_viewer(MainWindow(), list_->Result(), row);
      break;
    case kCmdOpenFolder:
      system_->ShellRun(MainWindow(), "open", "explorer", GbkFolderOf(path), "");
      break;
    case kCmdRegister:
    case kCmdUnregister:
      system_->ShellRun(MainWindow(), "open", "regsvr32.exe",
                        RegisterParameters(path, id == static_cast<int>(kCmdUnregister)), "");
      break;
    case kCmdMd5:
      if (hooks_.open_md5) hooks_.open_md5(MainWindow(), path);
      break;
  }
}

void ResultActions::DeleteSelected() {
  if (SelectedRows().empty()) return;
  if (system_->Ask(MainWindow(), kDeleteQuestion, kDeleteCaption,
                   MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) != IDYES)
    return;
  for (const std::string& path : SelectedPaths()) std::remove(path.c_str());
  DropDeletedRows();
}

void ResultActions::DropDeletedRows() {
  HWND list = list_->Handle();
  SearchResult* result = list_->Result();
  if (list == nullptr) return;
  std::vector<std::pair<int, std::string>> gone;
  std::string path;
  for (int row : SelectedRows()) {
    if (RowPath(row, &path) && FileIsGone(path)) gone.emplace_back(row, path);
    LVITEMA unselect = {};
    unselect.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&unselect));
  }
  if (gone.empty() || result == nullptr) return;
  std::sort(gone.begin(), gone.end());
  for (size_t j = 0; j < gone.size(); ++j) result->RemoveAt(gone[j].first - j, gone[j].second);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_SETITEMCOUNT, result->ids.size(), 0);
  InvalidateRect(list, nullptr, TRUE);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

void ResultActions::SelectAll() {
  LVITEMA select = {};
  select.state = LVIS_SELECTED;
  select.stateMask = LVIS_SELECTED;
  SendMessageA(list_->Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(&select));
}

void ResultActions::CopySelected() { PutFilesOnClipboard(SelectedPaths()); }

void ResultActions::BeginDrag() {
  ConfigStore* settings = settings_ != nullptr ? settings_ : &ConfigStore::Instance();
  if (settings->GetString(kConfigDragCopy, "true") != "true") return;
  size_t left_out = 0;
  const std::vector<std::string> paths = PathsThatFit(SelectedPaths(), &left_out);
  if (paths.empty()) {
    if (left_out > 0)
      system_->Ask(MainWindow(), LeftOutText(left_out), "提示", MB_OK | MB_ICONINFORMATION);
    return;
  }
  DragJob job;
  job.block = MakeDragBlock(paths);
  job.left_out = left_out;
  PutFilesOnClipboard(paths);
  if (job.block != nullptr) system_->StartDrag(job);
}

}  // namespace sorvik
