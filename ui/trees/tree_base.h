// The tree control of the search window's filter panel: a common-controls tree that never
// scrolls by itself (the panel scrolls as a whole), paints its selected item over with a framed
// picture, measures its content after clicks for the panel and passes wheel turns to the panel.
#pragma once

#include <windows.h>
// The headers below need the types of <windows.h>.
#include <commctrl.h>

#include <string>

namespace sorvik {

// Sent by a tree to its parent when its measured content changed: wParam = the tree's control id.
constexpr UINT kMsgTreeMeasured = WM_USER + 301;
// Sent by a tree to its parent after it handled a click, a double-click or a key, whatever the
// control itself notified: wParam = the tree's control id, lParam = kTreeReselected when a left
// click landed on the item that was selected before and still is, else 0. Some versions of the
// control move the selection (a collapse over the selected item) without telling the parent;
// the parent compares the selection with what it last acted on.
constexpr UINT kMsgTreeTouched = WM_USER + 302;
constexpr LPARAM kTreeReselected = 1;

class CTreeBase {
 public:
  CTreeBase();
  virtual ~CTreeBase();
  CTreeBase(const CTreeBase&) = delete;
  CTreeBase& operator=(const CTreeBase&) = delete;

  // Creates the tree control as visible child `id` of `parent` with expand buttons and the
  // right-to-left reading style; then adds show-selection-always, no-scroll and lines-at-root,
  // drops full-row select and takes over its mouse messages. Labels are never editable: a
  // click on the selected item selects it again instead of opening an edit box. False on
  // failure.
  bool Create(HWND parent, const RECT& rect, int id);
  HWND Handle() const { return hwnd_; }

  // The parent's WM_NOTIFY coming from this tree: the custom drawing and the refusal of label
  // editing. True when handled, with the result in *result.
  virtual bool OnNotify(NMHDR* header, LRESULT* result);

  // Measures the content: number of visible items x item height, and the widest visible item.
  // When either changed, stores them, sends kMsgTreeMeasured to the parent and returns true.
  bool MeasureContent();
  int ContentWidth() const { return width_; }
  int ContentHeight() const { return height_; }

 protected:
  // Called while the control handles WM_DESTROY, before its items are deleted.
  virtual void OnDestroying() {}

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnLeftButtonDown(WPARAM wparam, LPARAM lparam);
  LRESULT OnDoubleClick(WPARAM wparam, LPARAM lparam);
  void Touched(LPARAM how);
  LRESULT OnCustomDraw(NMTVCUSTOMDRAW* draw);
  void PaintSelected(HDC dc, HTREEITEM item);
  void PaintSelectionFace(HDC dc, const RECT& face);
  void RepaintReversedLabel(HDC dc, HTREEITEM item);
  HFONT TreeFont() const;

  HWND hwnd_ = nullptr;              // the tree control while it exists
  WNDPROC control_proc_ = nullptr;   // the control's own window procedure
  HBITMAP selected_face_ = nullptr;  // picture behind the selected item; null: plain white
  int width_ = 0;                    // the last content width reported to the parent
  int height_ = 0;                   // the last content height reported to the parent
};

// Text of `item` of `tree` (at most 259 bytes); empty when the item has none.
std::string TreeItemText(HWND tree, HTREEITEM item);

}  // namespace sorvik
