#include "widgets/window_base.h"

namespace sorvik {

CWindowBase::~CWindowBase() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool CWindowBase::Create(HWND parent, const RECT& rect, int id, DWORD style) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA window_class;
  if (!GetClassInfoA(instance, ClassName(), &window_class)) {
    window_class = {};
    window_class.style = CS_DBLCLKS;
    window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = Background();
    window_class.lpszClassName = ClassName();
    if (!RegisterClassA(&window_class)) return false;
  }
  HWND created = CreateWindowExA(0, ClassName(), "", WS_CHILD | WS_VISIBLE | style, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
  return created != nullptr;
}

void CWindowBase::NotifyParent(int id) {
  SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(hwnd_));
}

LRESULT CALLBACK CWindowBase::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  CWindowBase* window = nullptr;
  if (message == WM_NCCREATE) {
    window = static_cast<CWindowBase*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    window->hwnd_ = hwnd;
  } else {
    window = reinterpret_cast<CWindowBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (window != nullptr) {
    if (message == WM_NCDESTROY) window->hwnd_ = nullptr;
    try {
      LRESULT result = 0;
      if (window->OnMessage(message, wparam, lparam, &result)) return result;
    } catch (...) {
      // Nothing may unwind through the system's window code.
    }
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

RECT RectInParent(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FrameRect(dc, &rect, brush);
  DeleteObject(brush);
}

void PaintRoundedFace(HDC dc, const RECT& rect, COLORREF face, COLORREF frame, int corner) {
  HBRUSH brush = CreateSolidBrush(face);
  HPEN pen = CreatePen(PS_SOLID, 1, frame);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, corner, corner);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

HFONT DialogFontOf(HWND window) {
  HWND top = window != nullptr ? GetAncestor(window, GA_ROOT) : nullptr;
  HFONT font =
      top != nullptr ? reinterpret_cast<HFONT>(SendMessageA(top, WM_GETFONT, 0, 0)) : nullptr;
  return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HFONT CreateTextFont(const char* face, int height) {
  return CreateFontA(height, 0, 0, 0, 500, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

void DrawWrappedText(HDC dc, const char* text, RECT rect, const char* face, int height,
                     COLORREF colour, UINT extra_format) {
  HFONT font = CreateTextFont(face, height);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextA(dc, text, -1, &rect, DT_WORDBREAK | DT_NOPREFIX | extra_format);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace sorvik
