// The program's icon painted straight onto a dialog, as the tool dialogs show it beside their
// explanation.
#pragma once

#include <windows.h>

namespace sorvik {

// Handles WM_PAINT of `dialog` by drawing icon resource `icon_id` at (x, y) pixels.
void PaintDialogIcon(HWND dialog, int icon_id, int x, int y);

}  // namespace sorvik
