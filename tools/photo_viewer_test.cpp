#include "tools/photo_viewer.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <utility>

#include "testing/tools_test_support.h"

namespace sorvik {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A 1000 x 600 drawing surface that DrawPictureFile paints into.
class Canvas {
 public:
  Canvas() {
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, 1000, 600);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc);
  }
  void Draw(const std::string& path) { DrawPictureFile(dc, RECT{0, 0, 1000, 600}, path); }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y) & 0xFFFFFF; }
  // Pixels in [left, right) x [top, bottom) that are not black.
  int Lit(int left, int top, int right, int bottom) const {
    int lit = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) lit += At(x, y) != kBlack ? 1 : 0;
    return lit;
  }
  HDC dc;

 private:
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST(PhotoDisplay, DrawsFittedPicturesAndIcons) {
  testing::EnsureGdiplus();
  testing::TempFolder folder;
  Canvas canvas;
  {
    // 100 x 50 in 1000 x 600: natural size at (450, 275).
    testing::WriteSolidBmp(folder.Join("small.bmp"), 100, 50, kRed);
    canvas.Draw(folder.Join("small.bmp"));
    EXPECT_EQ(canvas.At(450, 275), kRed);
    EXPECT_EQ(canvas.At(549, 324), kRed);
    EXPECT_EQ(canvas.At(449, 275), kBlack);
    EXPECT_EQ(canvas.At(450, 274), kBlack);
    EXPECT_EQ(canvas.At(550, 324), kBlack);
    EXPECT_EQ(canvas.At(549, 325), kBlack);
  }
  {
    // 2000 x 500: the full width, 250 high, from y = 175 (edges smoothed by the scaling).
    testing::WriteSolidBmp(folder.Join("wide.bmp"), 2000, 500, kBlue);
    canvas.Draw(folder.Join("wide.bmp"));
    EXPECT_EQ(canvas.At(2, 177), kBlue);
    EXPECT_EQ(canvas.At(997, 422), kBlue);
    EXPECT_EQ(canvas.At(500, 172), kBlack);
    EXPECT_EQ(canvas.At(500, 427), kBlack);
  }
  {
    // A text file is no picture: its 32 x 32 shell icon, centred, and black around it.
    testing::WriteText(folder.Join("notes.txt"), "text");
    canvas.Draw(folder.Join("notes.txt"));
    EXPECT_GT(canvas.Lit(484, 284, 516, 316), 0);
    EXPECT_EQ(canvas.Lit(0, 0, 1000, 284), 0);
    EXPECT_EQ(canvas.Lit(0, 316, 1000, 600), 0);
    EXPECT_EQ(canvas.Lit(0, 284, 484, 316), 0);
  }
  {
    // So is a folder.
    canvas.Draw(folder.Path());
    EXPECT_GT(canvas.Lit(484, 284, 516, 316), 0);
    EXPECT_EQ(canvas.Lit(0, 0, 1000, 284), 0);
  }
  {
    // A file that is gone draws nothing but black.
    canvas.Draw(folder.Join("gone.bmp"));
    EXPECT_EQ(canvas.Lit(0, 0, 1000, 600), 0);
  }
}

// A viewer on three entries of one folder: two pictures and a text file.
class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() : source_(folder_.Path()) {
    testing::EnsureGdiplus();
    testing::WriteSolidBmp(folder_.Join("a.bmp"), 100, 50, kRed);
    testing::WriteText(folder_.Join("b.txt"), "text");
    testing::WriteSolidBmp(folder_.Join("c.bmp"), 40, 30, kBlue);
    source_.Add("a.bmp");
    source_.Add("b.txt");
    source_.Add("c.bmp");
  }
  ~ViewerTest() override {
    if (viewer_ != nullptr) DestroyWindow(viewer_->Handle());
  }
  // Opens the viewer on `row` and lets go of the page, as a new search would.
  void Open(int row) {
    SearchResult* page = source_.Page();
    viewer_ = LPhotoMainWnd::Open(page, row);
    page->Release();
    ASSERT_NE(viewer_, nullptr);
  }
  void Key(UINT key, HWND target = nullptr) {
    SendMessageA(target != nullptr ? target : viewer_->Handle(), WM_KEYDOWN, key, 0);
  }
  std::string Caption() const {
    char text[260] = {0};
    GetWindowTextA(viewer_->Handle(), text, sizeof text);
    return text;
  }
  RECT DisplayRect() const {
    RECT rect;
    GetWindowRect(viewer_->DisplayHandle(), &rect);
    MapWindowPoints(nullptr, viewer_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  void Mouse(UINT message, const RECT& rect) {
    const LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(viewer_->Handle(), message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, point);
  }

  testing::TempFolder folder_;
  testing::FolderDetails source_;
  LPhotoMainWnd* viewer_ = nullptr;
};

TEST_F(ViewerTest, StepsThroughThePageWithKeys) {
  Open(2);
  {
    // The last entry: its path and name; Right changes nothing.
    EXPECT_EQ(viewer_->ShownPath(), folder_.Join("c.bmp"));
    EXPECT_EQ(Caption(), "Sorvik - 图片查看器 c.bmp");
    Key(VK_RIGHT);
    EXPECT_EQ(viewer_->Index(), 2);
    EXPECT_EQ(viewer_->ShownPath(), folder_.Join("c.bmp"));
  }
  {
    // Back through the text file to the first entry, where Up stops.
    Key(VK_LEFT);
    EXPECT_EQ(viewer_->Index(), 1);
    EXPECT_EQ(Caption(), "Sorvik - 图片查看器 b.txt");
    Key('S');
    Key(VK_UP);
    EXPECT_EQ(viewer_->Index(), 0);
    EXPECT_EQ(viewer_->ShownPath(), folder_.Join("a.bmp"));
  }
  {
    // Forward again; a letter outside the slide show does nothing.
    Key(VK_DOWN);
    Key('A');
    EXPECT_EQ(viewer_->Index(), 1);
    Key('L');
    EXPECT_EQ(viewer_->Index(), 2);
  }
  {
    // The display fills the client area above the 35-pixel bar.
    RECT client;
    GetClientRect(viewer_->Handle(), &client);
    const RECT display = DisplayRect();
    EXPECT_EQ(display.left, 0);
    EXPECT_EQ(display.top, 0);
    EXPECT_EQ(display.right, client.right);
    EXPECT_EQ(display.bottom, client.bottom - kViewerBarHeight);
  }
}

TEST_F(ViewerTest, SlideShow) {
  Open(0);
  HWND display = viewer_->DisplayHandle();
  {
    // F5 makes the display a top-most window of its own.
    Key(VK_F5);
    ASSERT_TRUE(viewer_->InSlideShow());
    EXPECT_EQ(GetParent(display), nullptr);
    EXPECT_NE(GetWindowLongA(display, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  }
  {
    // Any key the display gets advances at once; so does the timer.
    Key('A', display);
    EXPECT_EQ(viewer_->Index(), 1);
    SendMessageA(viewer_->Handle(), WM_TIMER, kSlideShowTimerId, 0);
    EXPECT_EQ(viewer_->Index(), 2);
    Key(VK_SPACE, display);
    EXPECT_EQ(viewer_->Index(), 2);  // still the last entry
  }
  {
    // Esc puts the display back in the frame, no longer top-most, above the bar.
    Key(VK_ESCAPE, display);
    EXPECT_FALSE(viewer_->InSlideShow());
    EXPECT_EQ(GetParent(display), viewer_->Handle());
    EXPECT_EQ(GetWindowLongA(display, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT client;
    GetClientRect(viewer_->Handle(), &client);
    EXPECT_EQ(DisplayRect().bottom, client.bottom - kViewerBarHeight);
    EXPECT_EQ(DisplayRect().right, client.right);
    // The timer is gone with the slide show.
    EXPECT_FALSE(KillTimer(viewer_->Handle(), kSlideShowTimerId));
  }
  {
    // A double-click in the display starts it; the frame's non-client activation stops it.
    SendMessageA(display, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    ASSERT_TRUE(viewer_->InSlideShow());
    SendMessageA(viewer_->Handle(), WM_NCACTIVATE, TRUE, 0);
    EXPECT_FALSE(viewer_->InSlideShow());
    EXPECT_EQ(GetParent(display), viewer_->Handle());
  }
  {
    // F12 starts and stops it too; a double-click stops it.
    Key(VK_F12);
    EXPECT_TRUE(viewer_->InSlideShow());
    Key(VK_F12, display);
    EXPECT_FALSE(viewer_->InSlideShow());
    Key(VK_F5);
    SendMessageA(display, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(viewer_->InSlideShow());
  }
}

TEST_F(ViewerTest, BarButtons) {
  Open(0);
  const RECT next = viewer_->Button(kNextButtonId).rect;
  const RECT previous = viewer_->Button(kPreviousButtonId).rect;
  {
    // The buttons sit in the bar around the middle of the frame.
    RECT client;
    GetClientRect(viewer_->Handle(), &client);
    EXPECT_EQ(next.left, client.right / 2 + 18);
    EXPECT_GT(next.top, client.bottom - kViewerBarHeight);
    EXPECT_LT(next.bottom, client.bottom);
  }
  {
    // Hover, press and release on "next": one step, and hover again.
    Mouse(WM_MOUSEMOVE, next);
    EXPECT_EQ(viewer_->Button(kNextButtonId).state, kButtonHover);
    Mouse(WM_LBUTTONDOWN, next);
    EXPECT_EQ(viewer_->Button(kNextButtonId).state, kButtonPressed);
    Mouse(WM_LBUTTONUP, next);
    EXPECT_EQ(viewer_->Button(kNextButtonId).state, kButtonHover);
    EXPECT_EQ(viewer_->Index(), 1);
  }
  {
    // Moving to "previous" leaves "next" normal; a click there steps back.
    Mouse(WM_MOUSEMOVE, previous);
    EXPECT_EQ(viewer_->Button(kNextButtonId).state, kButtonNormal);
    EXPECT_EQ(viewer_->Button(kPreviousButtonId).state, kButtonHover);
    Mouse(WM_LBUTTONDOWN, previous);
    Mouse(WM_LBUTTONUP, previous);
    EXPECT_EQ(viewer_->Index(), 0);
  }
  {
    // Each button has its tip.
    ASSERT_NE(viewer_->ToolTipHandle(), nullptr);
    EXPECT_EQ(SendMessageA(viewer_->ToolTipHandle(), TTM_GETTOOLCOUNT, 0, 0), 3);
    const std::pair<int, std::string> tips[] = {
        {kPreviousButtonId, "上一张(按S、上箭头或左箭头键)"},
        {kSlideShowButtonId, "放映幻灯片(按F5或双击显示区域)"},
        {kNextButtonId, "下一张(按L、下箭头或右箭头键)"}};
    for (const auto& [id, tip] : tips) {
      char text[128] = {0};
      TOOLINFOA tool = {};
      tool.cbSize = TTTOOLINFOA_V2_SIZE;
      tool.hwnd = viewer_->Handle();
      tool.uId = static_cast<UINT_PTR>(id);
      tool.lpszText = text;
      SendMessageA(viewer_->ToolTipHandle(), TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
      EXPECT_EQ(std::string(text), tip) << id;
    }
  }
  {
    // The middle button starts the slide show.
    const RECT show = viewer_->Button(kSlideShowButtonId).rect;
    Mouse(WM_LBUTTONDOWN, show);
    Mouse(WM_LBUTTONUP, show);
    EXPECT_TRUE(viewer_->InSlideShow());
    Key(VK_ESCAPE);
    EXPECT_FALSE(viewer_->InSlideShow());
  }
}

TEST_F(ViewerTest, OpenedOnARowOutsideThePage) {
  // Nothing is shown and nothing breaks; a step from there is refused too.
  Open(7);
  EXPECT_EQ(viewer_->ShownPath(), "");
  EXPECT_EQ(Caption(), "图片查看器");
  Key(VK_RIGHT);
  Key(VK_LEFT);
  EXPECT_EQ(viewer_->ShownPath(), "");
  EXPECT_EQ(viewer_->Index(), 7);
}

}  // namespace
}  // namespace sorvik
