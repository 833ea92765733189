// The picture viewer: a top-level frame that shows the entries of one result page one at a time,
// fitted to the display area, with previous/next buttons, keyboard stepping and a full-screen
// slide show.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "query/search_result.h"
#include "tools/photo_display_wnd.h"
#include "tools/photo_layout.h"
#include "widgets/frame_window.h"
#include "widgets/png_loader.h"

namespace Gdiplus {
class Bitmap;
}  // namespace Gdiplus

namespace sorvik {

constexpr UINT_PTR kSlideShowTimerId = 999;
constexpr UINT kSlideShowMs = 3000;

class LPhotoMainWnd : public CFrameWindow {
 public:
  // Opens a viewer, shown maximised, on entry `row` of `result`. The viewer works on its own
  // clone of the result, so the caller keeps (and may release) its reference and a new search
  // never changes what the viewer steps through. The window frees itself when closed; null when
  // it cannot be created.
  static LPhotoMainWnd* Open(SearchResult* result, int row);

  HWND DisplayHandle() const { return display_.Handle(); }
  const std::string& ShownPath() const { return display_.Path(); }
  int Index() const { return index_; }
  bool InSlideShow() const { return slide_show_; }
  HWND ToolTipHandle() const { return tool_tip_; }
  // The button with id `id` (kPreviousButtonId, kNextButtonId, kSlideShowButtonId).
  const ImageButton& Button(int id) const;

 private:
  explicit LPhotoMainWnd(SearchResult* clone);
  ~LPhotoMainWnd() override;

  bool Create();
  void ShowEntry(int index);
  void Step(int step);
  void StartSlideShow();
  void StopSlideShow();
  void ToggleSlideShow();
  void OnKey(UINT virtual_key);
  void OnSize(int width, int height);
  void OnMouse(UINT message, POINT point);
  void OnButtonClick(int id);
  void CreateToolTips();
  void Paint();
  void PaintBar(HDC dc, const RECT& client);
  void PaintButton(HDC dc, const ImageButton& button);
  void InvalidateButton(const ImageButton& button);
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  SearchResult* result_;         // the viewer's own clone of the page
  int index_ = -1;               // the entry shown, an index into result_->ids
  LPhotoDisplayWnd display_;     // the display area
  ImageButton buttons_[3];       // previous, slide show, next
  bool slide_show_ = false;      // the display is full screen and the timer runs
  bool tracking_mouse_ = false;  // a leave notice is requested
  HWND tool_tip_ = nullptr;      // tips of the three buttons
  PngLoader bar_picture_;        // the bottom bar's background
  PngLoader sprite_loaders_[3];  // the buttons' sprite strips, in the order of buttons_
  std::unique_ptr<Gdiplus::Bitmap> sprites_[3];  // decoded from sprite_loaders_
};

// Opens the picture viewer on entry `row` of `result` (see LPhotoMainWnd::Open). The viewer is a
// window of its own beside `owner`, with its own taskbar button; the caller keeps its reference
// to `result`.
void ShowPhotoViewer(HWND owner, SearchResult* result, int row);

}  // namespace sorvik
