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

bool CKeywordEdit::PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  (void)wparam;
  (void)lparam;
  (void)result;
  if (message == WM_IME_STARTCOMPOSITION) composing_ = true;
  if (message == WM_IME_ENDCOMPOSITION) {
    composing_ = false;
    PostMessageA(GetParent(Handle()), kMsgImeCommitted, 0, 0);
  }
  return false;  // the edit handles the input method as ever
}

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
  committed_ = text;  // the change that follows is the program's, not the user's
  SetWindowTextA(edit_.Handle(), text.c_str());
}

void CQueryEnterWnd::Clear() { SetWindowTextA(edit_.Handle(), ""); }

void CQueryEnterWnd::CommitIfChanged() {
  if (edit_.Composing()) return;
  std::string text = Text();
  if (text == committed_) return;
  committed_ = std::move(text);
  if (on_change_) on_change_();
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
    case WM_COMMAND:
      if (LOWORD(wparam) == kKeywordEditId && HIWORD(wparam) == EN_CHANGE) CommitIfChanged();
      *result = 0;
      return true;
    case kMsgImeCommitted:  // from the edit, after a composition
      CommitIfChanged();
      *result = 0;
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
