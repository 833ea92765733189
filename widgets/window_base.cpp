#include "widgets/window_base.h"

namespace sorvik {

CWindowBase::~CWindowBase() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool RegisterWindowClass(const WindowClass& window_class, WNDPROC procedure) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA registered;
  if (GetClassInfoA(instance, window_class.name, &registered)) return true;
  registered = {};
  registered.style = window_class.style;
  registered.lpfnWndProc = procedure;
  registered.hInstance = instance;
  if (window_class.icon_id != 0)
    registered.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(window_class.icon_id));
  registered.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  registered.hbrBackground = window_class.background;
  registered.lpszClassName = window_class.name;
  return RegisterClassA(&registered) != 0;
}

bool CWindowBase::Create(HWND parent, const RECT& rect, int id, DWORD style) {
  const WindowClass widget = {ClassName(), CS_DBLCLKS, 0, Background()};
  return CreateOfClass(widget, "", WS_CHILD | WS_VISIBLE | style, rect.left, rect.top,
                       rect.right - rect.left, rect.bottom - rect.top, parent,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))) != nullptr;
}

HWND CWindowBase::CreateOfClass(const WindowClass& window_class, const char* title, DWORD style,
                                int x, int y, int width, int height, HWND parent_or_owner,
                                HMENU menu_or_id) {
  if (!RegisterWindowClass(window_class, WindowProc)) return nullptr;
  return CreateWindowExA(0, window_class.name, title, style, x, y, width, height, parent_or_owner,
                         menu_or_id, GetModuleHandleA(nullptr), this);
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
  if (window == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // The object lets go of the window first: it may delete itself in OnFinalMessage.
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    window->hwnd_ = nullptr;
    window->OnFinalMessage();
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  try {
    LRESULT result = 0;
    if (window->OnMessage(message, wparam, lparam, &result)) return result;
  } catch (...) {
    // Nothing may unwind through the system's window code.
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags) {
  return MessageBoxA(owner, text.c_str(), caption, flags);
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
