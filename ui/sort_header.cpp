#include "ui/sort_header.h"

#include <commctrl.h>

namespace sorvik {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr int kMarkWidth = 8;   // the triangle's base
constexpr int kMarkHeight = 7;  // and height
constexpr int kMarkSpace = 18;  // kept free for the mark at the right of the sorted item

void Line(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
  SelectObject(dc, old);
  DeleteObject(pen);
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
  if (message == WM_PAINT) {
    header->Paint();
    return 0;
  }
  if (message == WM_NCDESTROY) header->Detach();
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void CSortHeader::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd_, &paint);
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
  const int count = static_cast<int>(SendMessageA(hwnd_, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) PaintItem(dc, i);
  SelectObject(dc, old_font);
  EndPaint(hwnd_, &paint);
}

void CSortHeader::PaintItem(HDC dc, int index) {
  RECT rect;
  if (!SendMessageA(hwnd_, HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect))) return;
  char text[128] = {0};
  HDITEMA item = {};
  item.mask = HDI_TEXT | HDI_FORMAT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(hwnd_, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
  DrawEdge(dc, &rect, EDGE_RAISED, BF_RECT | BF_SOFT);
  RECT text_rect = {rect.left + 4, rect.top, rect.right - 4, rect.bottom};
  if (index == column_) text_rect.right = rect.right - kMarkSpace;
  UINT align = DT_LEFT;
  if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT) align = DT_RIGHT;
  if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER) align = DT_CENTER;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, text, -1, &text_rect,
            align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (index == column_ && rect.right - rect.left > kMarkSpace) {
    DrawSortMark(dc, rect.right - 8, (rect.top + rect.bottom) / 2, ascending_);
  }
}

}  // namespace sorvik
