// What the search window leaves on screen after the user moves things: after each operation the
// window's pixels must be the same as after a full redraw, so no part shows an old picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/search_window_test_support.h"

namespace sorvik {
namespace {

using testing::PumpMessages;
using testing::SearchWindowTest;

// The pixels of a window's client area, children included.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows of 0x00RRGGBB
};

Picture Capture(HWND window) {
  Picture picture;
  RECT client;
  GetClientRect(window, &client);
  picture.width = client.right;
  picture.height = client.bottom;
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, picture.width, picture.height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = source[i] & 0xFFFFFF;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return picture;
}

// Lets every pending paint happen, without asking for any new one.
void Settle(HWND window) {
  PumpMessages();
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages();
}

class RepaintTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    SearchWindowTest::SetUp();
    HWND window = window_->Handle();
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, 0, 0, 800, 600, SWP_NOZORDER);
    // The caret blinks in the keyword box; the list takes the focus instead.
    SetFocus(window_->List().Handle());
    Settle(window);
  }

  // After `what` was done: the window as it stands equals the window drawn afresh. Returns
  // a description of the first difference, empty when there is none.
  std::string Leftovers(const char* what) {
    HWND window = window_->Handle();
    Settle(window);
    const Picture before = Capture(window);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle(window);
    const Picture after = Capture(window);
    if (before.width != after.width || before.height != after.height) return "size changed";
    const RECT box = KeywordBox();
    int differing = 0;
    std::string first;
    for (int y = 0; y < before.height; ++y) {
      for (int x = 0; x < before.width; ++x) {
        const POINT point = {x, y};
        if (PtInRect(&box, point)) continue;
        const size_t i = static_cast<size_t>(y) * before.width + x;
        if (before.pixels[i] == after.pixels[i]) continue;
        if (differing++ == 0)
          first = std::string(what) + ": first at (" + std::to_string(x) + ", " +
                  std::to_string(y) + ")";
      }
    }
    return differing == 0 ? "" : first + ", " + std::to_string(differing) + " pixels differ";
  }

  // The keyword box in the window's client coordinates (its caret may blink).
  RECT KeywordBox() {
    RECT rect;
    GetWindowRect(window_->Bar().KeywordBox().Edit(), &rect);
    MapWindowPoints(nullptr, window_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  void ExpandAll(HWND tree) {
    for (HTREEITEM root = TreeView_GetRoot(tree); root != nullptr;
         root = TreeView_GetNextSibling(tree, root)) {
      TreeView_Expand(tree, root, TVE_EXPAND);
      for (HTREEITEM year = TreeView_GetChild(tree, root); year != nullptr;
           year = TreeView_GetNextSibling(tree, year))
        TreeView_Expand(tree, year, TVE_EXPAND);
    }
    window_->Panel().CategoryTree().MeasureContent();
  }
};

TEST_F(RepaintTest, NothingIsLeftBehindByScrollingResizingOrTheSplitter) {
  HWND window = window_->Handle();
  {  // a picture that differs is seen: the test's own check
    Settle(window);
    HWND list = window_->List().Handle();
    HDC dc = GetDC(list);
    RECT spot = {100, 100, 140, 140};
    FillRect(dc, &spot, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(list, dc);
    EXPECT_NE(Leftovers("a black square"), "");
  }
  {  // the wheel over the filter panel, down and up again
    ExpandAll(window_->Panel().CategoryTree().Handle());
    HWND tree = window_->Panel().CategoryTree().Handle();
    for (int turn = 0; turn < 3; ++turn) {
      SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
      EXPECT_EQ(Leftovers("wheel down"), "");
    }
    EXPECT_GT(window_->Panel().PositionY(), 0);
    for (int turn = 0; turn < 3; ++turn) {
      SendMessageA(tree, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
      EXPECT_EQ(Leftovers("wheel up"), "");
    }
  }
  {  // enlarging, then maximising
    SetWindowPos(window, nullptr, 0, 0, 1000, 760, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(Leftovers("enlarged"), "");
    ShowWindow(window, SW_MAXIMIZE);
    EXPECT_EQ(Leftovers("maximised"), "");
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, 0, 0, 800, 600, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(Leftovers("made smaller"), "");
  }
  {  // the ad column folded away and back
    SendMessageA(window, WM_COMMAND, kCmdToggleAdColumn, 0);
    EXPECT_EQ(Leftovers("ad column folded"), "");
    SendMessageA(window, WM_COMMAND, kCmdToggleAdColumn, 0);
    EXPECT_EQ(Leftovers("ad column shown"), "");
  }
  {  // the splitter dragged right, then back left
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(161, 200));
    for (int x : {200, 260, 300}) {
      SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 200));
      EXPECT_EQ(Leftovers("splitter dragged right"), "");
    }
    for (int x : {250, 180}) {
      SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 200));
      EXPECT_EQ(Leftovers("splitter dragged left"), "");
    }
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(180, 200));
    EXPECT_EQ(Leftovers("splitter released"), "");
  }
}

}  // namespace
}  // namespace sorvik
