#include "ui/options/option_main_wnd.h"

#include <string>

#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/autorun.h"
#include "settings/config_store.h"
#include "ui/tray/hot_key.h"
#include "widgets/window_base.h"

namespace sorvik {
namespace {

constexpr int kPageItemHeight = 36;
constexpr int kPageFontHeight = 14;
constexpr int kIndexPageLeftGap = 4;
constexpr int kIndexPageRaise = 10;
constexpr int kIndexPageMargin = 28;

// The check boxes of the general page: the setting, the box, its state when the key is missing.
struct CheckBoxSetting {
  const char* key;
  int control;
  bool missing;
};
constexpr CheckBoxSetting kCheckBoxes[] = {
    {kConfigAutorun, IDC_OPTION_AUTORUN, true},
    {kConfigDragCopy, IDC_OPTION_DRAG_COPY, true},
    {kConfigIndexRemovable, IDC_OPTION_REMOVABLE, true},
    {kConfigPinyinSearch, IDC_OPTION_PINYIN, false},
    {kConfigLiveUpdate, IDC_OPTION_LIVE_UPDATE, true},
    {kConfigSearchAsYouType, IDC_OPTION_SEARCH_AS_YOU_TYPE, true},
    {kConfigSortAllResults, IDC_OPTION_SORT_ALL, false},
};

// The controls of the general page, hidden while the index page shows.
constexpr int kGeneralControls[] = {
    IDC_OPTION_AUTORUN,     IDC_OPTION_DRAG_COPY,          IDC_OPTION_REMOVABLE,
    IDC_OPTION_KEY_GROUP,   IDC_OPTION_OTHER_GROUP,        IDC_OPTION_KEY_LABEL,
    IDC_OPTION_HOT_KEY,     IDC_OPTION_KEY_HINT,           IDC_OPTION_PINYIN,
    IDC_OPTION_LIVE_UPDATE, IDC_OPTION_SEARCH_AS_YOU_TYPE, IDC_OPTION_SORT_ALL,
};

HFONT ArialFont(int weight) {
  return CreateFontA(kPageFontHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[64] = {0};
  TVITEMA info = {};
  info.mask = TVIF_TEXT;
  info.hItem = item;
  info.pszText = text;
  info.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
  return text;
}

}  // namespace

COptionMainWnd::COptionMainWnd(ConfigStore* settings, HWND search_window)
    : CDialogBase(IDD_SYSTEM_OPTIONS),
      settings_(settings),
      search_window_(search_window),
      index_page_(settings) {
  selected_face_ = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TREE_SELECTED));
  bold_font_ = ArialFont(FW_BOLD);
  plain_font_ = ArialFont(FW_MEDIUM);
}

COptionMainWnd::~COptionMainWnd() {
  if (selected_face_ != nullptr) DeleteObject(selected_face_);
  if (bold_font_ != nullptr) DeleteObject(bold_font_);
  if (plain_font_ != nullptr) DeleteObject(plain_font_);
}

BOOL COptionMainWnd::OnInit() {
  FillPageTree();
  hot_key_.Attach(Item(IDC_OPTION_HOT_KEY));
  hot_key_.SetValue(StoredHotKey(settings_));
  ReadCheckBoxes();
  SetFocus(hot_key_.Handle());
  CreateIndexPage();
  return FALSE;  // the hot-key box has the focus
}

void COptionMainWnd::FillPageTree() {
  HWND tree = Item(IDC_OPTION_PAGES);
  HTREEITEM first = nullptr;
  for (const char* text : {kGeneralPageText, kIndexPageText}) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text);
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (first == nullptr) first = item;
  }
  SendMessageA(tree, TVM_SETITEMHEIGHT, kPageItemHeight, 0);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
}

void COptionMainWnd::ReadCheckBoxes() {
  for (const CheckBoxSetting& box : kCheckBoxes) {
    std::string value;
    const bool checked = settings_->Get(box.key, &value) ? value == "true" : box.missing;
    CheckDlgButton(Handle(), box.control, checked ? BST_CHECKED : BST_UNCHECKED);
  }
}

void COptionMainWnd::CreateIndexPage() {
  RECT tree = RectInParent(Item(IDC_OPTION_PAGES));
  RECT client;
  GetClientRect(Handle(), &client);
  HWND page = index_page_.Create(Handle());
  if (page == nullptr) return;
  const int tree_width = tree.right - tree.left;
  SetWindowPos(page, nullptr, tree.right + kIndexPageLeftGap, tree.top - kIndexPageRaise,
               client.right - tree_width - kIndexPageMargin, tree.bottom - tree.top,
               SWP_NOZORDER | SWP_HIDEWINDOW);
}

void COptionMainWnd::ShowPage(bool index_page) {
  for (int control : kGeneralControls) ShowWindow(Item(control), index_page ? SW_HIDE : SW_SHOW);
  if (index_page_.Handle() != nullptr)
    ShowWindow(index_page_.Handle(), index_page ? SW_SHOW : SW_HIDE);
}

bool COptionMainWnd::OnCommand(int id, int code, HWND control) {
  if (id == IDOK) {
    if (Save()) End(IDOK);
    return true;
  }
  return CDialogBase::OnCommand(id, code, control);
}

bool COptionMainWnd::Save() {
  if (!AcceptHotKey()) return false;
  const uint32_t value = hot_key_.Value();
  settings_->Set(kConfigShortcutKey, std::to_string(value));
  for (const CheckBoxSetting& box : kCheckBoxes)
    settings_->Set(box.key,
                   IsDlgButtonChecked(Handle(), box.control) == BST_CHECKED ? "true" : "false");
  SetAutorun(IsDlgButtonChecked(Handle(), IDC_OPTION_AUTORUN) == BST_CHECKED);
  return index_page_.Handle() == nullptr || index_page_.Save();
}

bool COptionMainWnd::AcceptHotKey() {
  const uint32_t value = hot_key_.Value();
  const uint32_t stored = StoredHotKey(settings_);
  const char* refusal = nullptr;
  if (value == stored) {
    ApplyHotKey(value);  // held by the search window already, or tried again
    return true;
  }
  if (!HotKeyHasModifier(value))
    refusal = kHotKeyNeedsModifier;
  else if (!ApplyHotKey(value))
    refusal = kHotKeyTaken;
  if (refusal == nullptr) return true;
  MessageBoxA(Handle(), refusal, kOptionsCaption, MB_OK | MB_ICONWARNING);
  hot_key_.ShowValue(stored);
  SetFocus(hot_key_.Handle());
  return false;
}

// Moves the search window's hot key to `value`; when another program holds `value` the old one
// is registered again and the answer is false. Without a search window only asks whether
// `value` is free.
bool COptionMainWnd::ApplyHotKey(uint32_t value) {
  if (search_window_ == nullptr) return HotKeyIsFree(value);
  UnregisterSearchHotKey(search_window_);
  if (RegisterSearchHotKey(search_window_, value)) return true;
  RegisterSearchHotKey(search_window_, StoredHotKey(settings_));
  return false;
}

bool COptionMainWnd::OnNotify(NMHDR* header, LRESULT* result) {
  if (static_cast<int>(header->idFrom) != IDC_OPTION_PAGES) return false;
  if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
    auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
    ShowPage(ItemText(header->hwndFrom, change->itemNew.hItem) == kIndexPageText);
    *result = 0;
    return true;
  }
  if (header->code == NM_CUSTOMDRAW) {
    *result = DrawPageItem(reinterpret_cast<NMTVCUSTOMDRAW*>(header));
    return true;
  }
  return false;
}

LRESULT COptionMainWnd::DrawPageItem(NMTVCUSTOMDRAW* draw) {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  HWND tree = draw->nmcd.hdr.hwndFrom;
  auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
  HDC dc = draw->nmcd.hdc;
  RECT rect = draw->nmcd.rc;
  const bool selected =
      item == reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (selected && selected_face_ != nullptr) {
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, selected_face_);
    BITMAP size;
    GetObjectA(selected_face_, sizeof size, &size);
    StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory, 0,
               0, size.bmWidth, size.bmHeight, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    FrameSolid(dc, rect, kColorLightBlue);
  } else {
    FillSolid(dc, rect, kColorWhite);
  }
  HGDIOBJ old_font = SelectObject(dc, selected ? bold_font_ : plain_font_);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const std::string text = ItemText(tree, item);
  DrawTextA(dc, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, old_font);
  return CDRF_SKIPDEFAULT;
}

}  // namespace sorvik
