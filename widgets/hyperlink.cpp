#include "widgets/hyperlink.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cctype>
#include <cstring>

namespace sorvik {
namespace {

constexpr char kObjectProperty[] = "SorvikHyperLink";
constexpr COLORREF kLinkColour = RGB(0x1E, 0x5A, 0xB4);

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size()) return false;
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Bytes a URL holds as they are: unreserved and reserved characters (RFC 3986), "%" aside.
bool KeptInUrl(unsigned char c) {
  return std::isalnum(c) != 0 || std::strchr("-._~:/?#[]@!$&'()*+,;=", c) != nullptr;
}

}  // namespace

bool IsWebLink(const std::string& link) {
  return StartsWithNoCase(link, "http://") || StartsWithNoCase(link, "https://");
}

bool SafeWebLink(const std::string& link, std::string* url) {
  std::string text = link;
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  if (!IsWebLink(text)) return false;
  const size_t host = text.find("//") + 2;
  if (host >= text.size() || std::strchr("/?#", text[host]) != nullptr) return false;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return false;
    const bool escape =
        c == '%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]);
    if (KeptInUrl(c) || escape) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  if (out.size() > kMaxWebLink) return false;
  *url = out;
  return true;
}

CHyperLink::~CHyperLink() {
  if (control_ != nullptr && original_ != nullptr) {
    SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    RemovePropA(control_, kObjectProperty);
  }
  if (font_ != nullptr) DeleteObject(font_);
  if (tooltip_ != nullptr) DestroyWindow(tooltip_);
}

bool CHyperLink::Attach(HWND control) {
  if (control == nullptr || control_ != nullptr) return false;
  control_ = control;
  char text[512] = {0};
  GetWindowTextA(control, text, sizeof text);
  if (text_.empty()) text_ = text;
  SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | SS_NOTIFY);
  SetPropA(control, kObjectProperty, this);
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  return original_ != nullptr;
}

void CHyperLink::SetText(const std::string& text) {
  text_ = text;
  if (control_ != nullptr) InvalidateRect(control_, nullptr, TRUE);
}

void CHyperLink::SetLink(const std::string& link) {
  link_ = link;
  if (control_ != nullptr) InvalidateRect(control_, nullptr, TRUE);
}

void CHyperLink::SetUnderline(bool underline) {
  underline_ = underline;
  if (font_ != nullptr) DeleteObject(font_);
  font_ = nullptr;
  if (control_ != nullptr) InvalidateRect(control_, nullptr, TRUE);
}

void CHyperLink::SetToolTip(const std::string& tip) {
  tip_ = tip;
  if (control_ == nullptr) return;
  if (tooltip_ == nullptr) {
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control_,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  TTTOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = control_;
  tool.uId = reinterpret_cast<UINT_PTR>(control_);
  tool.lpszText = const_cast<char*>(tip_.c_str());
  SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::Open() {
  std::string url;
  if (SafeWebLink(Target(), &url)) Launch(url);
}

void CHyperLink::Launch(const std::string& link) {
  ShellExecuteA(nullptr, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HFONT CHyperLink::Font() {
  if (font_ != nullptr) return font_;
  LOGFONTA face = {};
  HFONT own = reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0));
  if (own == nullptr || GetObjectA(own, sizeof face, &face) == 0) {
    face = {};
    face.lfHeight = 15;
    face.lfWeight = 500;
    lstrcpynA(face.lfFaceName, "Arial", LF_FACESIZE);
  }
  face.lfUnderline = underline_ ? TRUE : FALSE;
  font_ = CreateFontIndirectA(&face);
  return font_;
}

void CHyperLink::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(control_, &paint);
  RECT client;
  GetClientRect(control_, &client);
  HBRUSH background = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(control_), WM_CTLCOLORSTATIC,
                                                            reinterpret_cast<WPARAM>(dc),
                                                            reinterpret_cast<LPARAM>(control_)));
  FillRect(dc, &client, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, Font());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kLinkColour);
  const std::string& shown = text_.empty() ? link_ : text_;
  DrawTextA(dc, shown.c_str(), -1, &client,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  EndPaint(control_, &paint);
}

LRESULT CALLBACK CHyperLink::SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* link = static_cast<CHyperLink*>(GetPropA(hwnd, kObjectProperty));
  if (link == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  try {
    return link->OnMessage(message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

LRESULT CHyperLink::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_SETCURSOR:
      SetCursor(LoadCursorA(nullptr, IDC_HAND));
      return TRUE;
    case WM_LBUTTONUP:
      Open();
      return 0;
    default:
      return CallWindowProcA(original_, control_, message, wparam, lparam);
  }
}

}  // namespace sorvik
