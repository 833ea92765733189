// The base of the program's own windows, the painted child widgets and the top-level frames
// (frame_window.h): one class registration helper, and one static window procedure that finds
// the object, whose pointer travels in the creation parameter, and hands it each message.
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

// The shared palette of the painted widgets.
constexpr COLORREF kColorWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kColorLightBlue = RGB(0x82, 0xD9, 0xFD);
constexpr COLORREF kColorPaleBlue = RGB(0xE2, 0xE9, 0xF6);
constexpr COLORREF kColorLightGrey = RGB(0xF5, 0xF5, 0xF5);
constexpr COLORREF kColorGreyBlue = RGB(0xD0, 0xDA, 0xF2);

// What a window class is registered with.
struct WindowClass {
  const char* name;
  UINT style;         // CS_ flags
  int icon_id;        // the class icon in the executable's resources; 0 for none
  HBRUSH background;  // null paints nothing behind WM_PAINT
};

// Registers `window_class` with `procedure` unless this module already has a class of that
// name; false when it cannot be registered.
bool RegisterWindowClass(const WindowClass& window_class, WNDPROC procedure);

class CWindowBase {
 public:
  CWindowBase() = default;
  virtual ~CWindowBase();
  CWindowBase(const CWindowBase&) = delete;
  CWindowBase& operator=(const CWindowBase&) = delete;

  // Creates the window as a visible child of `parent` with control id `id`; false on failure.
  bool Create(HWND parent, const RECT& rect, int id, DWORD style = 0);
  HWND Handle() const { return hwnd_; }
  int Id() const { return GetDlgCtrlID(hwnd_); }

 protected:
  // The window class name of this kind of widget.
  virtual const char* ClassName() const = 0;
  // The class's background brush; null paints nothing behind WM_PAINT.
  virtual HBRUSH Background() const { return nullptr; }
  // Every message; true when handled, with the result in `result`.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) = 0;
  // Sends the command `id` to the parent, as a button click does.
  void NotifyParent(int id);
  // Registers `window_class` (once) and creates a window of it that carries this object: from
  // WM_NCCREATE on, every message goes to OnMessage. `parent_or_owner` and `menu_or_id` as for
  // CreateWindowExA. Null on failure.
  HWND CreateOfClass(const WindowClass& window_class, const char* title, DWORD style, int x, int y,
                     int width, int height, HWND parent_or_owner, HMENU menu_or_id);
  // The last message: the window is gone (Handle() is null) and the object may free itself.
  virtual void OnFinalMessage() {}

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;  // the window while it exists
};

// Shows a message box over `owner` and returns the button chosen. The tools windows tell the
// user everything through it (CDialogBase::ShowMessage, CFrameWindow::ShowMessage).
int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags = MB_OK);

// The window rectangle of `window` in its parent's client coordinates.
RECT RectInParent(HWND window);

// Fills `rect` with `colour`; frames it (one pixel) with `colour`.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour);
void FrameSolid(HDC dc, const RECT& rect, COLORREF colour);

// Fills `rect` with `face` inside a rounded frame of `frame` with corners of `corner` pixels.
void PaintRoundedFace(HDC dc, const RECT& rect, COLORREF face, COLORREF frame, int corner = 5);

// The font of the dialog that holds `window` (the template's font), or the GUI font when the
// window has no dialog above it.
HFONT DialogFontOf(HWND window);

// A font of `height` pixels, weight 500, face `face`, as DrawWrappedText uses; the caller
// deletes it.
HFONT CreateTextFont(const char* face, int height);

// Draws `text` word-wrapped in `rect` with a font of `height` pixels, weight 500, face `face`.
void DrawWrappedText(HDC dc, const char* text, RECT rect, const char* face, int height,
                     COLORREF colour, UINT extra_format);

}  // namespace sorvik
