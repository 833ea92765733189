// A text panel: light grey inside a rounded grey-blue frame, grey word-wrapped text.
#pragma once

#include <string>

#include "widgets/window_base.h"

namespace sorvik {

class LHintWnd : public CWindowBase {
 public:
  void SetText(const std::string& text);
  void SetTopMargin(int pixels);
  const std::string& Text() const { return text_; }

 protected:
  const char* ClassName() const override { return "SorvikHintWnd"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();

  std::string text_;    // the text shown
  int top_margin_ = 0;  // pixels above the text
};

}  // namespace sorvik
