// The keyword box of the search bar: a framed pale-blue box with a magnifier picture and a
// single-line edit. Enter in the edit runs a search through the box's parent.
#pragma once

#include <string>

#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

// The edit of the keyword box: "宋体" 16 pixels, scrolls sideways as text is typed. It takes the
// Return key itself (the dialog would read it as OK) and sends kMsgKeywordEnter to its parent.
class CEditBase {
 public:
  CEditBase() = default;
  ~CEditBase();
  CEditBase(const CEditBase&) = delete;
  CEditBase& operator=(const CEditBase&) = delete;

  bool Create(HWND parent, const RECT& rect, int id);
  HWND Handle() const { return edit_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND edit_ = nullptr;         // the edit control
  WNDPROC original_ = nullptr;  // its own window procedure
  HFONT font_ = nullptr;        // "宋体" 16 pixels
};

class CQueryEnterWnd : public CWindowBase {
 public:
  CQueryEnterWnd();
  std::string Text() const;
  void SetText(const std::string& text);
  void Focus();
  // Clears the selection where the caret is and scrolls the caret into view.
  void ClearSelection();
  HWND Edit() const { return edit_.Handle(); }

 protected:
  const char* ClassName() const override { return "SorvikQueryEnterWnd"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();

  CEditBase edit_;     // child id 700
  PngLoader picture_;  // the magnifier
};

}  // namespace sorvik
