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
  int TopMargin() const { return top_margin_; }
  // `line` as it fits on one line of the panel: when too wide, cut after a whole character and
  // ended with "…". Measured with the panel's font at its current width.
  std::string FitLine(const std::string& line) const;
  // The height the text takes, word-wrapped at the panel's width.
  int TextHeight() const;

 protected:
  const char* ClassName() const override { return "SorvikHintWnd"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();
  RECT TextRect() const;

  std::string text_;    // the text shown
  int top_margin_ = 0;  // pixels above the text
};

}  // namespace sorvik
