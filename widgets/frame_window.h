// CFrameWindow: the base of the program's top-level windows of their own (the picture viewer,
// the process list). The window carries its object through CWindowBase's one window procedure;
// once created and shown, the object frees itself when the window is destroyed.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/window_base.h"

namespace sorvik {

class CFrameWindow : public CWindowBase {
 protected:
  // `window_class`: the frame's class, registered on first use.
  explicit CFrameWindow(const WindowClass& window_class) : window_class_(window_class) {}

  // Creates the frame, a top-level window without owner, with `title` and `style` at x, y
  // (CW_USEDEFAULT allowed). The messages sent during creation already reach OnMessage.
  // False on failure.
  bool CreateFrame(const char* title, DWORD style, int x, int y, int width, int height);
  // From now on the window's destruction deletes the object: call once it is created and shown.
  void FreeWithWindow() { frees_itself_ = true; }
  // A message box over the frame (see ShowMessageBox); the button chosen.
  int ShowMessage(const std::string& text, const char* caption, UINT flags = MB_OK) const {
    return ShowMessageBox(Handle(), text, caption, flags);
  }

  const char* ClassName() const override { return window_class_.name; }
  HBRUSH Background() const override { return window_class_.background; }

 private:
  void OnFinalMessage() override;
  // Frames are created by CreateFrame only.
  using CWindowBase::Create;

  WindowClass window_class_;   // the frame's window class
  bool frees_itself_ = false;  // set by FreeWithWindow
};

}  // namespace sorvik
