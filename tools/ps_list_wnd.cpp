#include "tools/ps_list_wnd.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>

#include "res/resource_ids.h"
#include "text/gbk_text.h"
#include "tools/ps_system.h"
#include "widgets/shell_item_menu.h"

namespace sorvik {
namespace {

constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kBottomHeight = 25;
constexpr int kHeaderPoints = 12;
constexpr COLORREF kBottomBlueLine = RGB(130, 217, 253);
constexpr size_t kByteSizeBuffer = 32;
constexpr int kIconNotAsked = -2;  // an icon slot not yet asked of the shell

const std::vector<CPsListCtrl::Column> kProcessColumns = {
    {"　进程名", LVCFMT_LEFT, 140},   {"　描述", LVCFMT_LEFT, 140},
    {"　文件大小", LVCFMT_RIGHT, 80}, {"　IP端口", LVCFMT_LEFT, 130},
    {"  线程数", LVCFMT_RIGHT, 60},   {"  内存使用", LVCFMT_RIGHT, 80},
    {"　路径", LVCFMT_LEFT, 270},
};
const std::vector<CPsListCtrl::Column> kModuleColumns = {
    {"　模块名", LVCFMT_LEFT, 140}, {"  描述", LVCFMT_LEFT, 160}, {"  大小", LVCFMT_LEFT, 80},
    {"  地址", LVCFMT_RIGHT, 80},   {"　路径", LVCFMT_LEFT, 300},
};

WindowClass FrameClass() {
  return WindowClass{"SorvikPsList", CS_DBLCLKS, IDI_APP,
                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)};
}

// A row of the list was selected or lost its selection.
bool SelectionMoved(const NMLISTVIEW* change) {
  return (change->uChanged & LVIF_STATE) != 0 &&
         ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0;
}

std::string ByteSize(uint32_t size) {
  char text[kByteSizeBuffer] = {0};
  StrFormatByteSize64A(size, text, sizeof text);
  return text;
}

// The columns both lists begin with: the name, the description and the file's size.
template <typename Info>
std::string LeadingCell(const Info& info, int column) {
  switch (column) {
    case 0:
      return info.name;
    case 1:
      return info.description;
    case 2:
      return ByteSize(info.fileSize);
    default:
      return "";
  }
}

// The text of `column` of the process list's row for `info`.
std::string ProcessCell(const ProcessInfo& info, int column) {
  switch (column) {
    case 3:
      return info.ports;
    case 4:
      return std::to_string(info.threadCount);
    case 5:
      return ByteSize(info.memoryUse);
    case 6:
      return info.path;
    default:
      return LeadingCell(info, column);
  }
}

// The text of `column` of the module list's row for `info`.
std::string ModuleCell(const ModuleInfo& info, int column) {
  if (column == 4) return info.path;
  if (column != 3) return LeadingCell(info, column);
  char address[16];
  snprintf(address, sizeof address, "0x%x", static_cast<unsigned>(info.baseAddress));
  return address;
}

int SystemIconOf(const std::string& path) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) ==
      0) {
    return -1;
  }
  return info.iIcon;
}

HIMAGELIST SystemSmallIcons() {
  SHFILEINFOA info = {};
  return reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("c:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

HFONT CreateHeaderFont() {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(kHeaderPoints, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "MS Serif");
}

void SelectRow(HWND list, int row) {
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

void OpenFolderOf(HWND owner, const std::string& path) {
  ShellExecuteA(owner, "open", "explorer", GbkFolderOf(path).c_str(), nullptr, SW_SHOWNORMAL);
}

}  // namespace

PsListLayout LayoutPsList(int width, int height) {
  PsListLayout layout;
  layout.bar = RECT{0, 0, width, kPsBarHeight};
  const int list_height = (height / 3) * 2 - 31;
  layout.processes = RECT{1, 31, width - 2, 31 + list_height};
  const int bottom = layout.processes.bottom;
  layout.modules = RECT{1, bottom + 1, width - 2, height - 26};
  layout.picture = RECT{0, height - kBottomHeight, width, height};
  return layout;
}

CPsListMainWnd* CPsListMainWnd::Open(HWND owner, ProcessSource* source) {
  // A window of its own beside the search window: it stays when that one hides to the tray.
  (void)owner;
  auto* window = new CPsListMainWnd(source);
  if (!window->Create()) {
    delete window;
    return nullptr;
  }
  window->FreeWithWindow();
  ShowWindow(window->Handle(), SW_SHOW);
  UpdateWindow(window->Handle());
  return window;
}

CPsListMainWnd::CPsListMainWnd(ProcessSource* source)
    : CFrameWindow(FrameClass()), source_(source) {
  if (source_ == nullptr) {
    own_source_ = std::make_unique<SystemProcessSource>();
    source_ = own_source_.get();
  }
  bottom_picture_.Load(IDR_PNG_STATUS_BAR);
}

CPsListMainWnd::~CPsListMainWnd() {
  if (header_font_ != nullptr) DeleteObject(header_font_);
}

bool CPsListMainWnd::Create() {
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  if (!CreateFrame(kPsListTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, x, y, kWindowWidth,
                   kWindowHeight)) {
    return false;
  }
  HWND frame = Handle();
  header_font_ = CreateHeaderFont();
  images_ = SystemSmallIcons();
  RECT client;
  GetClientRect(frame, &client);
  const PsListLayout layout = LayoutPsList(client.right, client.bottom);
  if (!bar_.CreateIn(frame, layout.bar)) return false;
  if (!processes_.Create(frame, kProcessListId, kProcessColumns, images_, header_font_) ||
      !modules_.Create(frame, kModuleListId, kModuleColumns, images_, header_font_)) {
    return false;
  }
  OnSize(client.right, client.bottom);
  FillProcesses();
  SelectFirstProcess();
  return true;
}

void CPsListMainWnd::FillProcesses() {
  EnumerateProcesses(source_, &process_rows_);
  process_icons_.assign(process_rows_.size(), kIconNotAsked);
  processes_.ShowRecords(process_rows_.size());
  if (process_sort_.column >= 0) SortList(&processes_, process_sort_);
}

void CPsListMainWnd::FillModules(int process_index) {
  module_rows_.clear();
  modules_of_ = -1;
  if (process_index >= 0 && process_index < static_cast<int>(process_rows_.size())) {
    modules_of_ = process_rows_[process_index].processId;
    EnumerateModules(source_, process_rows_[process_index].processId, &module_rows_);
  }
  module_icons_.assign(module_rows_.size(), kIconNotAsked);
  modules_.ShowRecords(module_rows_.size());
  if (module_sort_.column >= 0) SortList(&modules_, module_sort_);
}

void CPsListMainWnd::SelectFirstProcess() {
  HWND list = processes_.Handle();
  if (ListView_GetItemCount(list) == 0) {
    FillModules(-1);
    return;
  }
  SelectRow(list, 0);
  SetFocus(list);
  ShowSelectedModules();
}

void CPsListMainWnd::ShowSelectedModules() { FillModules(processes_.SelectedRecord()); }

void CPsListMainWnd::FollowSelection() {
  const int index = processes_.SelectedRecord();
  const bool listed = index >= 0 && index < static_cast<int>(process_rows_.size());
  if ((listed ? static_cast<int64_t>(process_rows_[index].processId) : -1) != modules_of_)
    FillModules(index);
}

bool CPsListMainWnd::SelectProcess(uint32_t id) {
  HWND list = processes_.Handle();
  for (size_t index = 0; index < process_rows_.size(); ++index) {
    if (process_rows_[index].processId != id) continue;
    const int row = processes_.RowOf(static_cast<int>(index));
    if (row < 0) return false;
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    SelectRow(list, row);
    SetFocus(list);
    ShowSelectedModules();
    return true;
  }
  return false;
}

void CPsListMainWnd::Refresh() {
  FillProcesses();
  SelectFirstProcess();
}

void CPsListMainWnd::OpenSelectedFolder() {
  const int index = processes_.SelectedRecord();
  if (index < 0) {
    ShowMessage("请选择进程！", kPsListCaption);
    return;
  }
  OpenFolderOf(Handle(), process_rows_[index].path);
}

void CPsListMainWnd::EndSelectedProcess() {
  const int index = processes_.SelectedRecord();
  if (index < 0) {
    ShowMessage("请选择要结束的进程！", kPsListCaption);
    return;
  }
  const std::string question = "是否要结束进程" + process_rows_[index].name + "?";
  if (ShowMessage(question, kPsListCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  if (!source_->EndProcess(process_rows_[index].processId)) {
    ShowMessage(kPsEndFailed, kPsListCaption);
    return;
  }
  // The row goes with its record; the records after it move down by one, and so do the rows'.
  process_rows_.erase(process_rows_.begin() + index);
  process_icons_.erase(process_icons_.begin() + index);
  processes_.RemoveRecord(index);
  // The ended process's modules go with its row: the list shows the selection's, if any.
  ShowSelectedModules();
}

void CPsListMainWnd::SortByColumn(int id, int column) {
  if (id == kProcessListId) {
    process_sort_.Click(column);
    SortList(&processes_, process_sort_);
  } else if (id == kModuleListId) {
    module_sort_.Click(column);
    SortList(&modules_, module_sort_);
  }
}

void CPsListMainWnd::SortList(CPsListCtrl* list, const SortState& sort) {
  if (list == &processes_) {
    list->Sort(sort, [this, &sort](int a, int b) {
      return CompareProcesses(process_rows_[a], process_rows_[b], sort.column);
    });
  } else {
    list->Sort(sort, [this, &sort](int a, int b) {
      return CompareModules(module_rows_[a], module_rows_[b], sort.column);
    });
  }
}

int CPsListMainWnd::IconOf(const std::string& path, std::vector<int>* icons, int record) {
  int& icon = (*icons)[record];
  if (icon == kIconNotAsked) icon = SystemIconOf(path);
  return icon;
}

void CPsListMainWnd::SupplyCell(int list_id, LVITEMA* item) {
  const bool processes = list_id == kProcessListId;
  const int record = (processes ? processes_ : modules_).RecordAt(item->iItem);
  const size_t count = processes ? process_rows_.size() : module_rows_.size();
  if (record < 0 || static_cast<size_t>(record) >= count) {
    if ((item->mask & LVIF_TEXT) != 0) SupplyText(item, "");
    return;
  }
  const std::string& path = processes ? process_rows_[record].path : module_rows_[record].path;
  if ((item->mask & LVIF_TEXT) != 0) {
    SupplyText(item, processes ? ProcessCell(process_rows_[record], item->iSubItem)
                               : ModuleCell(module_rows_[record], item->iSubItem));
  }
  if ((item->mask & LVIF_IMAGE) != 0 && item->iSubItem == 0)
    item->iImage = IconOf(path, processes ? &process_icons_ : &module_icons_, record);
}

void CPsListMainWnd::ShowMenu(int list_id) {
  const bool processes = list_id == kProcessListId;
  const int index = processes ? processes_.SelectedRecord() : modules_.SelectedRecord();
  if (index < 0) return;
  const std::string path = processes ? process_rows_[index].path : module_rows_[index].path;
  HMENU popup = CreatePopupMenu();
  AppendMenuA(popup, MF_STRING, kPsMenuOpenFolder, "打开所在的目录");
  SetMenuDefaultItem(popup, kPsMenuOpenFolder, FALSE);
  if (processes) AppendMenuA(popup, MF_STRING, kPsMenuEndProcess, "结束该进程");
  AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
  POINT screen;
  GetCursorPos(&screen);
  ShellItemMenu shell;
  shell.Fill({path}, Handle());
  const int chosen = shell.Track(popup, Handle(), screen, Handle(), ShellItemMenu::TrackPopup);
  DestroyMenu(popup);
  if (chosen == static_cast<int>(kPsMenuOpenFolder)) {
    OpenFolderOf(Handle(), path);
  } else if (processes && chosen == static_cast<int>(kPsMenuEndProcess)) {
    EndSelectedProcess();
  }
}

bool CPsListMainWnd::OnNotify(const NMHDR* header, LRESULT* result) {
  const int id = static_cast<int>(header->idFrom);
  if (id != kProcessListId && id != kModuleListId) return false;
  const bool processes = id == kProcessListId;
  *result = 0;
  switch (header->code) {
    case LVN_GETDISPINFOA:
      SupplyCell(id, &reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(header))->item);
      return true;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      *result = (processes ? processes_ : modules_).FindRow(header, [&](int record) {
        return processes ? process_rows_[record].name : module_rows_[record].name;
      });
      return true;
    case NM_CLICK:
      if (processes) ShowSelectedModules();
      return true;
    case LVN_ITEMCHANGED:
      // The keyboard moves the selection too; the modules follow it.
      if (processes && !processes_.MovingSelection() &&
          SelectionMoved(reinterpret_cast<const NMLISTVIEW*>(header)))
        FollowSelection();
      return true;
    case NM_RCLICK:
      ShowMenu(id);
      return true;
    case LVN_COLUMNCLICK:
      SortByColumn(id, reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      return true;
    default:
      return false;
  }
}

void CPsListMainWnd::OnSize(int width, int height) {
  const PsListLayout layout = LayoutPsList(width, height);
  auto place = [](HWND window, const RECT& rect) {
    if (window != nullptr)
      MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
  };
  place(bar_.Handle(), layout.bar);
  place(processes_.Handle(), layout.processes);
  place(modules_.Handle(), layout.modules);
  RECT bottom = {0, height - kBottomHeight - 2, width, height};
  InvalidateRect(Handle(), &bottom, TRUE);
}

void CPsListMainWnd::PaintBottom(HDC dc) {
  RECT client;
  GetClientRect(Handle(), &client);
  const int width = client.right;
  const int height = client.bottom;
  const PsListLayout layout = LayoutPsList(width, height);
  bottom_picture_.Draw(dc, layout.picture);
  FillSolid(dc, RECT{1, height - 24, width - 1, height - 23}, kColorWhite);
  FillSolid(dc, RECT{1, height - 23, width - 2, height - 22}, kBottomBlueLine);
}

bool CPsListMainWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_SIZE:
      OnSize(LOWORD(lparam), HIWORD(lparam));
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Handle(), &paint);
      PaintBottom(dc);
      EndPaint(Handle(), &paint);
      return true;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kOpenFolderButtonId:
          OpenSelectedFolder();
          return true;
        case kEndProcessButtonId:
          EndSelectedProcess();
          return true;
        case kRefreshButtonId:
          Refresh();
          return true;
        default:
          return false;
      }
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lparam), result);
    case WM_CLOSE:
      DestroyWindow(Handle());
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
