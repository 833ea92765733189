// The hyperlink control: a static text control that shows its text underlined with a hand
// cursor and opens its link when clicked. Only web links (http, https) are ever opened.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

// Whether `link` is an http or https address (the scheme in any letter case).
bool IsWebLink(const std::string& link);

// The address a click may open for `link`: an http or https address with a host, at most
// kMaxWebLink bytes, whose every byte outside the characters a URL may hold (blanks, quotes,
// angle brackets, backslashes, non-ASCII bytes...) is percent-encoded, as is a "%" that does not
// start an escape. The address can then never carry a second argument to whatever the shell
// starts for it. False for anything else, and for a link with a control character (a line end
// at its end is dropped first).
constexpr size_t kMaxWebLink = 2048;
bool SafeWebLink(const std::string& link, std::string* url);

class CHyperLink {
 public:
  CHyperLink() = default;
  virtual ~CHyperLink();
  CHyperLink(const CHyperLink&) = delete;
  CHyperLink& operator=(const CHyperLink&) = delete;

  // Takes over the static control `control`: adds the notify style and its own painting.
  bool Attach(HWND control);
  HWND Handle() const { return control_; }
  void SetText(const std::string& text);
  void SetLink(const std::string& link);
  void SetToolTip(const std::string& tip);
  void SetUnderline(bool underline);
  // What a click opens: the link, or the text when no link is set.
  std::string Target() const { return link_.empty() ? text_ : link_; }
  // The click: opens SafeWebLink(Target()) when there is one, otherwise nothing.
  void Open();

 protected:
  // Hands the address `link` (from SafeWebLink) to the shell's "open" verb, shown normally.
  virtual void Launch(const std::string& link);

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Paint();
  HFONT Font();

  HWND control_ = nullptr;      // the static control
  WNDPROC original_ = nullptr;  // its own window procedure
  std::string text_;            // shown text; the link is shown when empty
  std::string link_;            // the address; the text is the link when empty
  std::string tip_;             // tool tip text
  bool underline_ = true;       // draw the text underlined
  HFONT font_ = nullptr;        // the font in use, made from the control's own
  HWND tooltip_ = nullptr;      // tool tip window, made on the first SetToolTip
};

}  // namespace sorvik
