#include "widgets/sort_header.h"

#include <commctrl.h>

#include "widgets/window_base.h"

namespace sorvik {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// The raised look.
constexpr int kMarkWidth = 8;   // the triangle's base
constexpr int kMarkHeight = 7;  // and height
constexpr int kMarkSpace = 18;  // kept free for the mark at the right of the sorted item

// The flat look.
constexpr COLORREF kFlatTextColour = RGB(0x1E, 0x3C, 0x78);
constexpr int kFlatMarkRoom = 14;  // the sort column's room for its mark
constexpr int kFlatPlainRoom = 2;  // the other columns need every pixel
constexpr int kFlatMarkRows = 4;   // the filled triangle's height, and half its base

void Line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
}

// The flat look's mark: a filled triangle of kFlatMarkRows rows centred on column `x`.
void DrawFlatMark(HDC dc, int x, int middle_y, bool ascending) {
  const int y = middle_y - 2;
  for (int step = 0; step < kFlatMarkRows; ++step) {
    const int row = ascending ? y + step : y + kFlatMarkRows - 1 - step;
    FillSolid(dc, RECT{x - step, row, x + step + 1, row + 1}, kFlatTextColour);
  }
}

UINT TextAlignment(int format) {
  if ((format & HDF_JUSTIFYMASK) == HDF_RIGHT) return DT_RIGHT;
  if ((format & HDF_JUSTIFYMASK) == HDF_CENTER) return DT_CENTER;
  return DT_LEFT;
}

}  // namespace

void DrawSortMark(HDC dc, int right, int middle_y, bool ascending) {
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  const int left = right - kMarkWidth;
  const int apex_x = left + kMarkWidth / 2;
  const int top = middle_y - kMarkHeight / 2;
  const int bottom = top + kMarkHeight;
  if (ascending) {  // apex up: lit from the lower right
    Line(dc, dark, apex_x, top, left, bottom);
    Line(dc, light, apex_x, top, right, bottom);
    Line(dc, light, left, bottom, right + 1, bottom);
  } else {  // apex down: the top edge in shadow
    Line(dc, dark, left, top, right, top);
    Line(dc, dark, left, top, apex_x, bottom);
    Line(dc, light, right, top, apex_x, bottom);
  }
}

bool CSortHeader::Attach(HWND header) {
  if (header == nullptr || hwnd_ != nullptr) return false;
  if (!SetWindowSubclass(header, Proc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
    return false;
  hwnd_ = header;
  return true;
}

void CSortHeader::Detach() {
  if (hwnd_ != nullptr) RemoveWindowSubclass(hwnd_, Proc, kSubclassId);
  hwnd_ = nullptr;
}

void CSortHeader::SetMark(int column, bool ascending) {
  column_ = column;
  ascending_ = ascending;
  if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK CSortHeader::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                   DWORD_PTR data) {
  auto* header = reinterpret_cast<CSortHeader*>(data);
  switch (message) {
    case WM_PAINT:
      header->Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers the whole client area
    case WM_NCDESTROY:
      header->Detach();
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void CSortHeader::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  RECT client;
  GetClientRect(hwnd_, &client);
  const bool flat = look_ == HeaderLook::kFlat;
  if (flat)
    FillSolid(dc, client, kColorPaleBlue);
  else
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, flat ? kFlatTextColour : GetSysColor(COLOR_BTNTEXT));
  const int count = static_cast<int>(SendMessageA(hwnd_, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    Item item;
    if (!ReadItem(i, &item)) continue;
    if (flat)
      PaintFlatItem(dc, item);
    else
      PaintRaisedItem(dc, item);
  }
  if (flat) {  // a grey-blue line under the items
    FillSolid(dc, RECT{client.left, client.bottom - 1, client.right, client.bottom},
              kColorGreyBlue);
  }
  SelectObject(dc, old_font);
  EndPaint(hwnd_, &paint);
}

bool CSortHeader::ReadItem(int index, Item* item) const {
  item->index = index;
  if (!SendMessageA(hwnd_, HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item->rect)))
    return false;
  item->text[0] = '\0';
  HDITEMA query = {};
  query.mask = HDI_TEXT | HDI_FORMAT;
  query.pszText = item->text;
  query.cchTextMax = sizeof item->text;
  SendMessageA(hwnd_, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&query));
  item->format = query.fmt;
  return true;
}

void CSortHeader::PaintRaisedItem(HDC dc, const Item& item) const {
  RECT rect = item.rect;
  DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT);
  const bool marked = item.index == column_;
  RECT text = {rect.left + 4, rect.top, rect.right - (marked ? kMarkSpace : 4), rect.bottom};
  DrawTextA(dc, item.text, -1, &text, TextAlignment(item.format) | kTextFormat);
  if (marked && rect.right - rect.left > kMarkSpace)
    DrawSortMark(dc, rect.right - 8, (rect.top + rect.bottom) / 2, ascending_);
}

// Each item closed by a grey-blue line; only the sort column keeps room for its mark.
void CSortHeader::PaintFlatItem(HDC dc, const Item& item) const {
  const RECT& rect = item.rect;
  FillSolid(dc, RECT{rect.right - 1, rect.top + 2, rect.right, rect.bottom - 2}, kColorGreyBlue);
  const bool marked = item.index == column_;
  RECT text = {rect.left + 2, rect.top, rect.right - (marked ? kFlatMarkRoom : kFlatPlainRoom),
               rect.bottom};
  DrawTextA(dc, item.text, -1, &text, TextAlignment(item.format) | kTextFormat);
  if (marked) DrawFlatMark(dc, rect.right - 9, (rect.top + rect.bottom) / 2, ascending_);
}

}  // namespace sorvik
