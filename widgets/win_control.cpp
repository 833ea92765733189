#include "widgets/win_control.h"

namespace sorvik {

bool CWinControl::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  // Commands and notifications of the children go on to the owner of this holder.
  if (message == WM_COMMAND || message == WM_NOTIFY) {
    *result = SendMessageA(GetParent(Handle()), message, wparam, lparam);
    return true;
  }
  return false;
}

}  // namespace sorvik
