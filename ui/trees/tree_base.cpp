#include "ui/trees/tree_base.h"

#include <algorithm>

#include "res/resource_ids.h"
#include "ui/trees/location_tree.h"
#include "widgets/window_base.h"

#ifndef IDB_TREE_SELECTED
#define IDB_TREE_SELECTED 179  // the picture behind a tree's selected item
#endif

namespace sorvik {
namespace {

constexpr char kTreeProperty[] = "SorvikTreeBase";  // window property holding the object

// The item after `item` in display order, counting only items whose parents are all expanded;
// null after the last one.
HTREEITEM NextShown(HWND tree, HTREEITEM item) {
  if (TreeView_GetItemState(tree, item, TVIS_EXPANDED) & TVIS_EXPANDED) {
    HTREEITEM child = TreeView_GetChild(tree, item);
    if (child != nullptr) return child;
  }
  for (HTREEITEM at = item; at != nullptr; at = TreeView_GetParent(tree, at)) {
    HTREEITEM sibling = TreeView_GetNextSibling(tree, at);
    if (sibling != nullptr) return sibling;
  }
  return nullptr;
}

}  // namespace

std::string TreeItemText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = {0};
  TVITEMA query = {};
  query.mask = TVIF_HANDLE | TVIF_TEXT;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = sizeof text;
  if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return "";
  text[sizeof text - 1] = '\0';
  return text;
}

CTreeBase::CTreeBase() = default;

CTreeBase::~CTreeBase() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  if (selected_face_ != nullptr) DeleteObject(selected_face_);
}

bool CTreeBase::Create(HWND parent, const RECT& rect, int id) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND created = CreateWindowExA(
      WS_EX_RTLREADING, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, rect.left,
      rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (created == nullptr) return false;
  LONG_PTR style = GetWindowLongPtrA(created, GWL_STYLE);
  style |= TVS_SHOWSELALWAYS | TVS_NOSCROLL | TVS_LINESATROOT;
  style &= ~static_cast<LONG_PTR>(TVS_FULLROWSELECT | TVS_EDITLABELS);
  SetWindowLongPtrA(created, GWL_STYLE, style);
  hwnd_ = created;
  SetPropA(hwnd_, kTreeProperty, this);
  control_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  if (selected_face_ == nullptr)
    selected_face_ = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TREE_SELECTED));
  return true;
}

bool CTreeBase::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom != hwnd_) return false;
  if (header->code == TVN_BEGINLABELEDITA || header->code == TVN_BEGINLABELEDITW) {
    *result = TRUE;  // the filter trees' labels are fixed
    return true;
  }
  if (header->code != NM_CUSTOMDRAW) return false;
  *result = OnCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header));
  return true;
}

bool CTreeBase::MeasureContent() {
  if (hwnd_ == nullptr) return false;
  int count = 0;
  int widest = 0;
  for (HTREEITEM item = TreeView_GetRoot(hwnd_); item != nullptr; item = NextShown(hwnd_, item)) {
    ++count;
    RECT rect;
    if (TreeView_GetItemRect(hwnd_, item, &rect, TRUE)) widest = std::max<int>(widest, rect.right);
  }
  const int height = count * TreeView_GetItemHeight(hwnd_);
  if (height == height_ && widest == width_) return false;
  height_ = height;
  width_ = widest;
  SendMessageA(GetParent(hwnd_), kMsgTreeMeasured, GetDlgCtrlID(hwnd_), 0);
  return true;
}

LRESULT CALLBACK CTreeBase::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* tree = static_cast<CTreeBase*>(GetPropA(hwnd, kTreeProperty));
  if (tree == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  return tree->OnMessage(message, wparam, lparam);
}

LRESULT CTreeBase::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC control = control_proc_;
  switch (message) {
    case WM_MOUSEWHEEL:
      return SendMessageA(GetParent(hwnd_), message, wparam, lparam);
    case WM_LBUTTONDOWN:
      return OnLeftButtonDown(wparam, lparam);
    case WM_LBUTTONDBLCLK:
      return OnDoubleClick(wparam, lparam);
    case WM_KEYDOWN: {
      LRESULT handled = CallWindowProcA(control, hwnd_, message, wparam, lparam);
      MeasureContent();
      Touched(0);
      return handled;
    }
    case WM_DESTROY:
      OnDestroying();
      break;
    case WM_NCDESTROY: {
      HWND hwnd = hwnd_;
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control));
      RemovePropA(hwnd, kTreeProperty);
      hwnd_ = nullptr;
      return CallWindowProcA(control, hwnd, message, wparam, lparam);
    }
  }
  return CallWindowProcA(control, hwnd_, message, wparam, lparam);
}

// The control selects (or toggles) the item; a click on the icon or label of the item that was
// selected already, and still is, is reported as a reselection.
LRESULT CTreeBase::OnLeftButtonDown(WPARAM wparam, LPARAM lparam) {
  HTREEITEM before = TreeView_GetSelection(hwnd_);
  LRESULT handled = CallWindowProcA(control_proc_, hwnd_, WM_LBUTTONDOWN, wparam, lparam);
  if (hwnd_ == nullptr) return handled;
  TVHITTESTINFO hit = {};
  hit.pt = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  HTREEITEM item = TreeView_HitTest(hwnd_, &hit);
  const bool on_item = (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)) != 0;
  const bool reselected =
      item != nullptr && on_item && item == before && TreeView_GetSelection(hwnd_) == before;
  MeasureContent();
  Touched(reselected ? kTreeReselected : 0);
  return handled;
}

// After the control's own handling (which toggles the item), the item under the pointer is
// collapsed and the content measured again.
LRESULT CTreeBase::OnDoubleClick(WPARAM wparam, LPARAM lparam) {
  LRESULT handled = CallWindowProcA(control_proc_, hwnd_, WM_LBUTTONDBLCLK, wparam, lparam);
  TVHITTESTINFO hit = {};
  hit.pt = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  HTREEITEM item = TreeView_HitTest(hwnd_, &hit);
  if (item != nullptr) TreeView_Expand(hwnd_, item, TVE_COLLAPSE);
  MeasureContent();
  Touched(0);
  return handled;
}

void CTreeBase::Touched(LPARAM how) {
  if (hwnd_ != nullptr) SendMessageA(GetParent(hwnd_), kMsgTreeTouched, GetDlgCtrlID(hwnd_), how);
}

LRESULT CTreeBase::OnCustomDraw(NMTVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      draw->clrTextBk = kColorWhite;
      return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT: {
      auto item = reinterpret_cast<HTREEITEM>(draw->nmcd.dwItemSpec);
      if (TreeView_GetItemState(hwnd_, item, TVIS_SELECTED) & TVIS_SELECTED)
        PaintSelected(draw->nmcd.hdc, item);
      else
        RepaintReversedLabel(draw->nmcd.hdc, item);
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

// The selected item's label: a light-blue frame around the picture, the text centred on one
// line; drive roots stored reversed for the right-to-left reading are drawn the right way round.
void CTreeBase::PaintSelected(HDC dc, HTREEITEM item) {
  RECT rect;
  if (!TreeView_GetItemRect(hwnd_, item, &rect, TRUE)) return;
  const int saved = SaveDC(dc);
  FrameSolid(dc, rect, kColorLightBlue);
  RECT face = rect;
  InflateRect(&face, -1, -1);
  PaintSelectionFace(dc, face);
  const std::string label = DrawnLabel(TreeItemText(hwnd_, item));
  SelectObject(dc, TreeFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(dc, saved);
}

HFONT CTreeBase::TreeFont() const {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
  return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A drive root's label is stored reversed ("\:C") for the right-to-left reading of the tree.
// Where the system does not apply that reading to item texts (Wine draws them as stored), the
// label is drawn again the right way round; where it does, this draws what is already there.
void CTreeBase::RepaintReversedLabel(HDC dc, HTREEITEM item) {
  const std::string stored = TreeItemText(hwnd_, item);
  const std::string label = DrawnLabel(stored);
  RECT rect;
  if (label == stored || !TreeView_GetItemRect(hwnd_, item, &rect, TRUE)) return;
  const int saved = SaveDC(dc);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SelectObject(dc, TreeFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  rect.left += 2;
  DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  RestoreDC(dc, saved);
}

void CTreeBase::PaintSelectionFace(HDC dc, const RECT& face) {
  BITMAP picture = {};
  HDC source = selected_face_ != nullptr ? CreateCompatibleDC(dc) : nullptr;
  if (source == nullptr || !GetObjectA(selected_face_, sizeof picture, &picture)) {
    if (source != nullptr) DeleteDC(source);
    FillRect(dc, &face, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    return;
  }
  HGDIOBJ old = SelectObject(source, selected_face_);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, face.left, face.top, face.right - face.left, face.bottom - face.top, source, 0, 0,
             picture.bmWidth, picture.bmHeight, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace sorvik
