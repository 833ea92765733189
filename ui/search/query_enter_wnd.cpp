#include "ui/search/query_enter_wnd.h"

#include <utility>

#include "res/resource_ids.h"
#include "ui/command_ids.h"

namespace sorvik {
namespace {

constexpr int kPictureSize = 22;
constexpr int kPictureX = 3;
constexpr int kPictureY = 5;
constexpr int kEditLeft = 28;  // the edit's inset from the box's left edge
constexpr int kEditInset = 4;  // and from the other edges

HBRUSH WhiteBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

}  // namespace

CQueryEnterWnd::CQueryEnterWnd(std::function<void()> on_enter) : on_enter_(std::move(on_enter)) {
  picture_.Load(IDR_PNG_QUERY);
}

std::string CQueryEnterWnd::Text() const {
  HWND edit = edit_.Handle();
  if (edit == nullptr) return std::string();
  std::string text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(edit, &text[0], static_cast<int>(text.size()))));
  return text;
}

void CQueryEnterWnd::SetText(const std::string& text) {
  SetWindowTextA(edit_.Handle(), text.c_str());
}

void CQueryEnterWnd::Focus() { SetFocus(edit_.Handle()); }

void CQueryEnterWnd::ClearSelection() {
  DWORD end = 0;
  SendMessageA(edit_.Handle(), EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
  SendMessageA(edit_.Handle(), EM_SETSEL, end, end);
  SendMessageA(edit_.Handle(), EM_SCROLLCARET, 0, 0);
}

void CQueryEnterWnd::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT client;
  GetClientRect(Handle(), &client);
  FillSolid(dc, client, kColorPaleBlue);
  FrameSolid(dc, client, kColorLightBlue);
  RECT inner = {kEditLeft - 1, kEditInset - 1, client.right - kEditInset + 1,
                client.bottom - kEditInset + 1};
  FillRect(dc, &inner, WhiteBrush());
  picture_.Draw(dc, RECT{kPictureX, kPictureY, kPictureX + kPictureSize, kPictureY + kPictureSize});
  EndPaint(Handle(), &paint);
}

bool CQueryEnterWnd::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      RECT rect = {kEditLeft, kEditInset, create->cx - kEditInset, create->cy - kEditInset};
      edit_.Create(Handle(), rect, kKeywordEditId);
      *result = 0;
      return true;
    }
    case WM_SIZE:
      MoveWindow(edit_.Handle(), kEditLeft, kEditInset, LOWORD(lparam) - kEditLeft - kEditInset,
                 HIWORD(lparam) - 2 * kEditInset, TRUE);
      return false;
    case WM_PAINT:
      Paint();
      *result = 0;
      return true;
    case WM_CTLCOLOREDIT:
      SetBkColor(reinterpret_cast<HDC>(wparam), kColorWhite);
      *result = reinterpret_cast<LRESULT>(WhiteBrush());
      return true;
    case kMsgKeywordEnter:  // from the edit
      if (on_enter_) on_enter_();
      *result = 0;
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
