// The picture viewer's display area: a black child window that draws the file it is given,
// fitted to its client area, or the file's shell icon when the file is no picture. During the
// slide show the frame makes it a top-level window; it then sends its keys, double-clicks and
// deactivation to the frame, which stays in charge.
#pragma once

#include <string>

#include "widgets/window_base.h"

namespace sorvik {

// Messages the display window sends its frame.
constexpr UINT kMsgDisplayDoubleClick = WM_APP + 1;  // double-click in the display area
constexpr UINT kMsgDisplayDeactivated = WM_APP + 2;  // the top-level display lost activation

class LPhotoDisplayWnd : public CWindowBase {
 public:
  // Creates the display as a child of `frame`, which also receives its messages.
  bool CreateIn(HWND frame, const RECT& rect);
  // Shows the file at `path` (GBK) from the next paint on.
  void SetPath(const std::string& path);
  const std::string& Path() const { return path_; }

 protected:
  const char* ClassName() const override { return "SorvikPhotoDisplay"; }
  HBRUSH Background() const override { return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)); }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();

  HWND frame_ = nullptr;  // the viewer frame, also while the display is top-level
  std::string path_;      // the file shown
};

// Draws the file at `path` into `dc` over a black `client` rectangle: the picture fitted to the
// rectangle, or the file's 32 x 32 shell icon, centred, when the file is no picture. Nothing but
// the black fill when neither can be had.
void DrawPictureFile(HDC dc, const RECT& client, const std::string& path);

}  // namespace sorvik
