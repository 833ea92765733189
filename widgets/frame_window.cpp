#include "widgets/frame_window.h"

namespace sorvik {

bool CFrameWindow::CreateFrame(const char* title, DWORD style, int x, int y, int width,
                               int height) {
  return CreateOfClass(window_class_, title, style, x, y, width, height, nullptr, nullptr) !=
         nullptr;
}

void CFrameWindow::OnFinalMessage() {
  if (frees_itself_) delete this;
}

}  // namespace sorvik
