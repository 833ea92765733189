// The keyword box of the search bar: a framed pale-blue box with a magnifier picture and a
// single-line edit. Enter in the edit runs the box's search action; a change of the edit's
// committed text (typed, pasted, deleted, or given by an input method at the end of its
// composition) runs its change action.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "ui/edit_base.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

// The keyword box's edit: knows whether an input method is composing in it. Some input methods
// write their composition string into the edit, and the edit reports each step as a change;
// such text is not yet the user's. At the end of a composition the edit tells its parent
// (kMsgImeCommitted, posted so that it arrives after the edit took in the result).
class CKeywordEdit : public CEditBase {
 public:
  bool Composing() const { return composing_; }

 protected:
  bool PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  bool composing_ = false;
};

class CQueryEnterWnd : public CWindowBase {
 public:
  // `on_enter` runs on Enter in the edit.
  explicit CQueryEnterWnd(std::function<void()> on_enter);
  // `on_change` runs whenever the committed text changes by the user's hand (not by SetText).
  void SetChangeAction(std::function<void()> on_change) { on_change_ = std::move(on_change); }
  std::string Text() const;
  // Shows `text` as the search's own words: no change action runs for it.
  void SetText(const std::string& text);
  // Empties the box as the user would ("清除"): the change action runs when it held text.
  void Clear();
  bool Composing() const { return edit_.Composing(); }
  void Focus();
  // Clears the selection where the caret is and scrolls the caret into view.
  void ClearSelection();
  HWND Edit() const { return edit_.Handle(); }

 protected:
  const char* ClassName() const override { return "SorvikQueryEnterWnd"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();
  void CommitIfChanged();

  std::function<void()> on_enter_;   // the search that Enter runs
  std::function<void()> on_change_;  // the search that a change of the text runs
  std::string committed_;            // the text the change action last ran for, or SetText gave
  CKeywordEdit edit_;                // child id 700, "宋体" 16 pixels
  PngLoader picture_;                // the magnifier
};

}  // namespace sorvik
