// A plain child window with a white background, the holder of other controls.
#pragma once

#include "widgets/window_base.h"

namespace sorvik {

class CWinControl : public CWindowBase {
 protected:
  const char* ClassName() const override { return "SorvikWinControl"; }
  HBRUSH Background() const override { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;
};

}  // namespace sorvik
