#include "widgets/dialog_icon.h"

namespace sorvik {

void PaintDialogIcon(HWND dialog, int icon_id, int x, int y) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(dialog, &paint);
  HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon_id));
  if (icon != nullptr) DrawIcon(dc, x, y, icon);
  EndPaint(dialog, &paint);
}

}  // namespace sorvik
