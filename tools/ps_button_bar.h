// The process list's bar across the top: the strip picture behind "打开文件夹", "结束进程" and
// "刷　　新", whose clicks go on to the bar's parent as commands.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "widgets/button_base.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

constexpr int kOpenFolderButtonId = 100;
constexpr int kEndProcessButtonId = 200;
constexpr int kRefreshButtonId = 300;
constexpr int kPsBarHeight = 30;

// A button of the bar: an icon and a caption on the painted face.
class PsBarButton : public LButtonBase {
 public:
  explicit PsBarButton(int icon_id);
  ~PsBarButton() override;

 protected:
  void PaintFace(HDC dc, const RECT& rect, bool hot) override;

 private:
  HICON icon_;  // 16 x 16
};

class PsButtonBar : public CWindowBase {
 public:
  PsButtonBar();
  bool CreateIn(HWND parent, const RECT& rect);

 protected:
  const char* ClassName() const override { return "SorvikPsButtonBar"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();
  PngLoader background_;
  std::vector<std::unique_ptr<PsBarButton>> buttons_;
};

}  // namespace sorvik
