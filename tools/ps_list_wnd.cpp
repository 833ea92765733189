#include "tools/ps_list_wnd.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "res/resource_ids.h"
#include "tools/ps_system.h"
#include "widgets/frame_window.h"
#include "widgets/shell_item_menu.h"

namespace sorvik {
namespace {

constexpr char kFrameClass[] = "SorvikPsList";

// A row of the list was selected or lost its selection.
bool SelectionMoved(const NMLISTVIEW* change) {
  return (change->uChanged & LVIF_STATE) != 0 &&
         ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0;
}
constexpr char kHeaderOwnerProp[] = "SorvikPsListCtrl";
constexpr int kWindowWidth = 800;
constexpr int kWindowHeight = 600;
constexpr int kBarHeight = 30;
constexpr int kBottomHeight = 25;
constexpr int kIconSize = 16;
constexpr int kHeaderPoints = 12;
constexpr COLORREF kBottomBlueLine = RGB(130, 217, 253);
constexpr COLORREF kCaptionColour = RGB(0x1E, 0x3C, 0x78);
constexpr size_t kByteSizeBuffer = 32;

struct BarButtonInfo {
  int id;
  const char* caption;
  int icon;
  int width;
};
constexpr BarButtonInfo kBarButtons[] = {
    {kOpenFolderButtonId, "打开文件夹", IDI_PS_OPEN_FOLDER, 100},
    {kEndProcessButtonId, "结束进程", IDI_PS_END_PROCESS, 90},
    {kRefreshButtonId, "刷　　新", IDI_PS_REFRESH, 90},
};

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

std::string ByteSize(uint32_t size) {
  char text[kByteSizeBuffer] = {0};
  StrFormatByteSize64A(size, text, sizeof text);
  return text;
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

// Appends a row with `text` and icon `image` in column 0 and `data` as item data.
void InsertRow(HWND list, int row, const std::string& text, int image, int data) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = row;
  item.pszText = const_cast<char*>(text.c_str());
  item.iImage = image;
  item.lParam = data;
  SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void SetCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void SelectRow(HWND list, int row) {
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

bool RegisterFrameClass(WNDPROC procedure) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA window_class;
  if (GetClassInfoA(instance, kFrameClass, &window_class)) return true;
  window_class = {};
  window_class.style = CS_DBLCLKS;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kFrameClass;
  return RegisterClassA(&window_class) != 0;
}

void Message(HWND owner, const char* text) { MessageBoxA(owner, text, kPsListCaption, MB_OK); }

}  // namespace

PsListLayout LayoutPsList(int width, int height) {
  PsListLayout layout;
  layout.bar = RECT{0, 0, width, kBarHeight};
  const int list_height = (height / 3) * 2 - 31;
  layout.processes = RECT{1, 31, width - 2, 31 + list_height};
  const int bottom = layout.processes.bottom;
  layout.modules = RECT{1, bottom + 1, width - 2, height - 26};
  layout.picture = RECT{0, height - kBottomHeight, width, height};
  return layout;
}

// ---- the bar ----

PsBarButton::PsBarButton(int icon_id)
    : icon_(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon_id),
                                          IMAGE_ICON, kIconSize, kIconSize, 0))) {}

PsBarButton::~PsBarButton() {
  if (icon_ != nullptr) DestroyIcon(icon_);
}

void PsBarButton::PaintFace(HDC dc, const RECT& rect, bool hot) {
  if (hot) PaintRoundedFace(dc, rect, kColorPaleBlue, kColorLightBlue);
  const int top = (rect.bottom - rect.top - kIconSize) / 2;
  if (icon_ != nullptr)
    DrawIconEx(dc, rect.left + 6, top, icon_, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
  RECT text = rect;
  text.left += 6 + kIconSize + 4;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kCaptionColour);
  HGDIOBJ old = SelectObject(dc, DialogFontOf(Handle()));
  DrawTextA(dc, Caption().c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old);
}

PsButtonBar::PsButtonBar() { background_.Load(IDR_PNG_SEARCH_BAR); }

bool PsButtonBar::CreateIn(HWND parent, const RECT& rect) {
  if (!Create(parent, rect, 0, WS_CLIPCHILDREN)) return false;
  int x = 4;
  for (const BarButtonInfo& info : kBarButtons) {
    auto button = std::make_unique<PsBarButton>(info.icon);
    button->SetCaption(info.caption);
    if (!button->Create(Handle(), RECT{x, 3, x + info.width, kBarHeight - 3}, info.id))
      return false;
    x += info.width + 4;
    buttons_.push_back(std::move(button));
  }
  return true;
}

void PsButtonBar::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  if (background_.Empty())
    FillSolid(dc, client, kColorWhite);
  else
    background_.Draw(dc, client);
  EndPaint(Handle(), &paint);
}

bool PsButtonBar::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_COMMAND:
      SendMessageA(GetParent(Handle()), WM_COMMAND, wparam, lparam);
      return true;
    default:
      return false;
  }
}

// ---- the lists ----

CPsListCtrl::~CPsListCtrl() {
  if (header_ != nullptr && IsWindow(header_)) {
    SetWindowLongPtrA(header_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(header_previous_));
    RemovePropA(header_, kHeaderOwnerProp);
  }
}

bool CPsListCtrl::Create(HWND parent, int id, const std::vector<Column>& columns, HIMAGELIST images,
                         HFONT header_font) {
  hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                              LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                          0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleA(nullptr), nullptr);
  if (hwnd_ == nullptr) return false;
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  if (images != nullptr) ListView_SetImageList(hwnd_, images, LVSIL_SMALL);
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = columns[i].width;
    column.pszText = const_cast<char*>(columns[i].heading);
    column.iSubItem = static_cast<int>(i);
    SendMessageA(hwnd_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  header_font_ = header_font;
  header_ = ListView_GetHeader(hwnd_);
  if (header_ != nullptr) {
    SendMessageA(header_, WM_SETFONT, reinterpret_cast<WPARAM>(header_font), TRUE);
    SetPropA(header_, kHeaderOwnerProp, this);
    header_previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(header_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeaderProc)));
  }
  return true;
}

void CPsListCtrl::SetSort(int column, bool ascending) {
  sort_column_ = column;
  ascending_ = ascending;
  if (header_ != nullptr) InvalidateRect(header_, nullptr, TRUE);
}

int CPsListCtrl::SelectedData() const {
  const int row = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  if (row < 0) return -1;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  SendMessageA(hwnd_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<int>(item.lParam);
}

LRESULT CALLBACK CPsListCtrl::HeaderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* list = static_cast<CPsListCtrl*>(GetPropA(hwnd, kHeaderOwnerProp));
  if (list == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_PAINT) {
    list->PaintHeader(hwnd);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return CallWindowProcA(list->header_previous_, hwnd, message, wparam, lparam);
}

// The header items on a pale face, each closed by a grey-blue line, the sort column's heading
// followed by a small triangle pointing up (ascending) or down.
void CPsListCtrl::PaintHeader(HWND header) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(header, &paint);
  RECT client;
  GetClientRect(header, &client);
  FillSolid(dc, client, kColorPaleBlue);
  HGDIOBJ old_font = SelectObject(dc, header_font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kCaptionColour);
  const int count = Header_GetItemCount(header);
  for (int i = 0; i < count; ++i) {
    RECT rect;
    Header_GetItemRect(header, i, &rect);
    char text[64] = {0};
    HDITEMA item = {};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    FillSolid(dc, RECT{rect.right - 1, rect.top + 2, rect.right, rect.bottom - 2}, kColorGreyBlue);
    // Only the sort column keeps room for its mark; the narrow columns need every pixel.
    const int mark_room = i == sort_column_ ? 14 : 2;
    RECT label = {rect.left + 2, rect.top, rect.right - mark_room, rect.bottom};
    const UINT align = (item.fmt & HDF_RIGHT) != 0 ? DT_RIGHT : DT_LEFT;
    DrawTextA(dc, text, -1, &label,
              align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (i != sort_column_) continue;
    const int x = rect.right - 9;
    const int y = (rect.top + rect.bottom) / 2 - 2;
    for (int step = 0; step < 4; ++step) {
      const int row = ascending_ ? y + step : y + 3 - step;
      FillSolid(dc, RECT{x - step, row, x + step + 1, row + 1}, kCaptionColour);
    }
  }
  FillSolid(dc, RECT{client.left, client.bottom - 1, client.right, client.bottom}, kColorGreyBlue);
  SelectObject(dc, old_font);
  EndPaint(header, &paint);
}

// ---- the window ----

CPsListMainWnd* CPsListMainWnd::Open(HWND owner, ProcessSource* source) {
  auto* window = new CPsListMainWnd(source);
  if (!window->Create(owner)) {
    delete window;
    return nullptr;
  }
  window->frees_itself_ = true;
  ShowWindow(window->hwnd_, SW_SHOW);
  UpdateWindow(window->hwnd_);
  return window;
}

CPsListMainWnd::CPsListMainWnd(ProcessSource* source) : source_(source) {
  if (source_ == nullptr) {
    own_source_ = std::make_unique<SystemProcessSource>();
    source_ = own_source_.get();
  }
  bottom_picture_.Load(IDR_PNG_STATUS_BAR);
}

CPsListMainWnd::~CPsListMainWnd() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  if (header_font_ != nullptr) DeleteObject(header_font_);
}

bool CPsListMainWnd::Create(HWND owner) {
  // A window of its own beside the search window: it stays when that one hides to the tray.
  (void)owner;
  if (!RegisterFrameClass(WindowProc)) return false;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
  HWND frame = CreateWindowExA(0, kFrameClass, kPsListTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                               x, y, kWindowWidth, kWindowHeight, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
  if (frame == nullptr) return false;
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
  HWND list = processes_.Handle();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < process_rows_.size(); ++i) {
    const ProcessInfo& info = process_rows_[i];
    const int row = static_cast<int>(i);
    InsertRow(list, row, info.name, SystemIconOf(info.path), row);
    SetCell(list, row, 1, info.description);
    SetCell(list, row, 2, ByteSize(info.fileSize));
    SetCell(list, row, 3, info.ports);
    SetCell(list, row, 4, std::to_string(info.threadCount));
    SetCell(list, row, 5, ByteSize(info.memoryUse));
    SetCell(list, row, 6, info.path);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  if (process_sort_.column >= 0) SortList(&processes_, process_sort_);
  InvalidateRect(list, nullptr, TRUE);
}

void CPsListMainWnd::FillModules(int process_index) {
  module_rows_.clear();
  modules_of_ = -1;
  if (process_index >= 0 && process_index < static_cast<int>(process_rows_.size())) {
    modules_of_ = process_rows_[process_index].processId;
    EnumerateModules(source_, process_rows_[process_index].processId, &module_rows_);
  }
  HWND list = modules_.Handle();
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < module_rows_.size(); ++i) {
    const ModuleInfo& info = module_rows_[i];
    const int row = static_cast<int>(i);
    InsertRow(list, row, info.name, SystemIconOf(info.path), row);
    SetCell(list, row, 1, info.description);
    SetCell(list, row, 2, ByteSize(info.fileSize));
    char address[16];
    snprintf(address, sizeof address, "0x%x", static_cast<unsigned>(info.baseAddress));
    SetCell(list, row, 3, address);
    SetCell(list, row, 4, info.path);
  }
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  if (module_sort_.column >= 0) SortList(&modules_, module_sort_);
  InvalidateRect(list, nullptr, TRUE);
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

void CPsListMainWnd::ShowSelectedModules() { FillModules(processes_.SelectedData()); }

void CPsListMainWnd::FollowSelection() {
  const int index = processes_.SelectedData();
  const bool listed = index >= 0 && index < static_cast<int>(process_rows_.size());
  if ((listed ? static_cast<int64_t>(process_rows_[index].processId) : -1) != modules_of_)
    FillModules(index);
}

bool CPsListMainWnd::SelectProcess(uint32_t id) {
  HWND list = processes_.Handle();
  for (int row = 0; row < ListView_GetItemCount(list); ++row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (process_rows_[item.lParam].processId != id) continue;
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
  const int index = processes_.SelectedData();
  if (index < 0) {
    Message(hwnd_, "请选择进程！");
    return;
  }
  const std::string folder = FolderPart(process_rows_[index].path);
  ShellExecuteA(hwnd_, "open", "explorer", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

void CPsListMainWnd::EndSelectedProcess() {
  const int index = processes_.SelectedData();
  if (index < 0) {
    Message(hwnd_, "请选择要结束的进程！");
    return;
  }
  const std::string question = "是否要结束进程" + process_rows_[index].name + "?";
  if (MessageBoxA(hwnd_, question.c_str(), kPsListCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  if (!source_->EndProcess(process_rows_[index].processId)) {
    Message(hwnd_, kPsEndFailed);
    return;
  }
  // The row goes with its record; the rows after it in the vector move down by one, and so does
  // the index each of their rows carries.
  HWND list = processes_.Handle();
  process_rows_.erase(process_rows_.begin() + index);
  for (int row = ListView_GetItemCount(list) - 1; row >= 0; --row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (item.lParam == index) {
      ListView_DeleteItem(list, row);
    } else if (item.lParam > index) {
      --item.lParam;
      SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
  }
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
  list->SetSort(sort.column, sort.ascending);
  PFNLVCOMPARE compare = list == &processes_ ? CompareProcessRows : CompareModuleRows;
  ListView_SortItems(list->Handle(), compare, reinterpret_cast<LPARAM>(this));
}

int CALLBACK CPsListMainWnd::CompareProcessRows(LPARAM a, LPARAM b, LPARAM window) {
  auto* self = reinterpret_cast<CPsListMainWnd*>(window);
  const int order =
      CompareProcesses(self->process_rows_[a], self->process_rows_[b], self->process_sort_.column);
  return self->process_sort_.ascending ? order : -order;
}

int CALLBACK CPsListMainWnd::CompareModuleRows(LPARAM a, LPARAM b, LPARAM window) {
  auto* self = reinterpret_cast<CPsListMainWnd*>(window);
  const int order =
      CompareModules(self->module_rows_[a], self->module_rows_[b], self->module_sort_.column);
  return self->module_sort_.ascending ? order : -order;
}

void CPsListMainWnd::ShowMenu(int list_id) {
  const bool processes = list_id == kProcessListId;
  const int index = processes ? processes_.SelectedData() : modules_.SelectedData();
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
  shell.Fill({path}, hwnd_);
  const int chosen = shell.Track(popup, hwnd_, screen, hwnd_, ShellItemMenu::TrackPopup);
  DestroyMenu(popup);
  if (chosen == static_cast<int>(kPsMenuOpenFolder)) {
    ShellExecuteA(hwnd_, "open", "explorer", FolderPart(path).c_str(), nullptr, SW_SHOWNORMAL);
  } else if (processes && chosen == static_cast<int>(kPsMenuEndProcess)) {
    EndSelectedProcess();
  }
}

bool CPsListMainWnd::OnNotify(const NMHDR* header) {
  const int id = static_cast<int>(header->idFrom);
  if (id != kProcessListId && id != kModuleListId) return false;
  switch (header->code) {
    case NM_CLICK:
      if (id == kProcessListId) ShowSelectedModules();
      return true;
    case LVN_ITEMCHANGED:
      // The keyboard moves the selection too; the modules follow it.
      if (id == kProcessListId && SelectionMoved(reinterpret_cast<const NMLISTVIEW*>(header)))
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
  InvalidateRect(hwnd_, &bottom, TRUE);
}

void CPsListMainWnd::PaintBottom(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
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
      HDC dc = BeginPaint(hwnd_, &paint);
      PaintBottom(dc);
      EndPaint(hwnd_, &paint);
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
      if (!OnNotify(reinterpret_cast<const NMHDR*>(lparam))) return false;
      *result = 0;
      return true;
    case WM_CLOSE:
      DestroyWindow(hwnd_);
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK CPsListMainWnd::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return FrameWindowProc<CPsListMainWnd>(hwnd, message, wparam, lparam);
}

}  // namespace sorvik
