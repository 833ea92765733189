#include "tools/photo_layout.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

::testing::AssertionResult SameRect(const RECT& actual, int left, int top, int right, int bottom) {
  if (actual.left == left && actual.top == top && actual.right == right && actual.bottom == bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", "
                                       << actual.right << ", " << actual.bottom << ")";
}

TEST(PhotoLayout, FitPicture) {
  {
    // A picture that fits keeps its size and is centred.
    EXPECT_TRUE(SameRect(FitPicture(100, 50, 1000, 600), 450, 275, 550, 325));
    EXPECT_TRUE(SameRect(FitPicture(1000, 600, 1000, 600), 0, 0, 1000, 600));
    // Odd sizes: both halves are whole-number divisions.
    EXPECT_TRUE(SameRect(FitPicture(33, 33, 101, 51), 34, 9, 67, 42));
  }
  {
    // Wider than the area: the full width, centred vertically.
    EXPECT_TRUE(SameRect(FitPicture(2000, 500, 1000, 600), 0, 175, 1000, 425));
    // Taller: the full height, centred horizontally (1200 x 2400 -> 300 x 600).
    EXPECT_TRUE(SameRect(FitPicture(1200, 2400, 1000, 600), 350, 0, 650, 600));
    // Larger in one direction only still scales: 500 x 900 -> 333 x 600, truncated.
    EXPECT_TRUE(SameRect(FitPicture(500, 900, 1000, 600), 333, 0, 666, 600));
  }
  {
    // The same shape as the area fills it.
    EXPECT_TRUE(SameRect(FitPicture(2000, 1200, 1000, 600), 0, 0, 1000, 600));
  }
  {
    // The 32 x 32 icon in an area smaller than itself; empty pictures and areas draw nothing.
    EXPECT_TRUE(SameRect(FitPicture(32, 32, 20, 10), 5, 0, 15, 10));
    EXPECT_TRUE(SameRect(FitPicture(0, 0, 1000, 600), 0, 0, 0, 0));
    EXPECT_TRUE(SameRect(FitPicture(100, 0, 1000, 600), 0, 0, 0, 0));
    EXPECT_TRUE(SameRect(FitPicture(100, 50, 0, 0), 0, 0, 0, 0));
  }
}

TEST(PhotoLayout, SteppingAndKeys) {
  {
    // Steps stay within the page: the first and last entries do not move further.
    EXPECT_EQ(StepIndex(0, -1, 3), 0);
    EXPECT_EQ(StepIndex(0, 1, 3), 1);
    EXPECT_EQ(StepIndex(2, 1, 3), 2);
    EXPECT_EQ(StepIndex(2, -1, 3), 1);
    EXPECT_EQ(StepIndex(0, 1, 0), 0);
  }
  {
    // Keys in normal view.
    EXPECT_EQ(ActionForKey(VK_LEFT, false), ViewerAction::kPrevious);
    EXPECT_EQ(ActionForKey(VK_UP, false), ViewerAction::kPrevious);
    EXPECT_EQ(ActionForKey('S', false), ViewerAction::kPrevious);
    EXPECT_EQ(ActionForKey(VK_RIGHT, false), ViewerAction::kNext);
    EXPECT_EQ(ActionForKey(VK_DOWN, false), ViewerAction::kNext);
    EXPECT_EQ(ActionForKey('L', false), ViewerAction::kNext);
    EXPECT_EQ(ActionForKey(VK_F5, false), ViewerAction::kToggleSlideShow);
    EXPECT_EQ(ActionForKey(VK_F12, false), ViewerAction::kToggleSlideShow);
    EXPECT_EQ(ActionForKey(VK_ESCAPE, false), ViewerAction::kNone);
    EXPECT_EQ(ActionForKey('A', false), ViewerAction::kNone);
  }
  {
    // During the slide show Esc stops it and any other key advances.
    EXPECT_EQ(ActionForKey(VK_ESCAPE, true), ViewerAction::kStopSlideShow);
    EXPECT_EQ(ActionForKey('A', true), ViewerAction::kNext);
    EXPECT_EQ(ActionForKey(VK_SPACE, true), ViewerAction::kNext);
    EXPECT_EQ(ActionForKey(VK_LEFT, true), ViewerAction::kPrevious);
    EXPECT_EQ(ActionForKey(VK_F5, true), ViewerAction::kToggleSlideShow);
  }
}

TEST(PhotoLayout, BarButtons) {
  // 1000 x 600: the display ends at 565, the bar's middle is 565 + 17, the centre 500.
  const ViewerLayout layout = LayoutViewer(1000, 600);
  EXPECT_TRUE(SameRect(layout.display, 0, 0, 1000, 565));
  EXPECT_TRUE(SameRect(layout.previous, 432, 573, 483, 593));
  EXPECT_TRUE(SameRect(layout.slide_show, 483, 568, 518, 598));
  EXPECT_TRUE(SameRect(layout.next, 518, 573, 569, 593));
}

TEST(PhotoLayout, ButtonStates) {
  ImageButton button{kNextButtonId, RECT{10, 10, 20, 20}, kButtonNormal};
  bool clicked = false;
  {
    // Hover in and out.
    EXPECT_TRUE(ButtonMouseMove(&button, POINT{15, 15}));
    EXPECT_EQ(button.state, kButtonHover);
    EXPECT_FALSE(ButtonMouseMove(&button, POINT{16, 15}));
    EXPECT_TRUE(ButtonMouseMove(&button, POINT{30, 15}));
    EXPECT_EQ(button.state, kButtonNormal);
  }
  {
    // Press and release over it: hover again and a click.
    EXPECT_TRUE(ButtonMouseDown(&button, POINT{15, 15}));
    EXPECT_EQ(button.state, kButtonPressed);
    EXPECT_FALSE(ButtonMouseMove(&button, POINT{16, 16}));  // stays pressed while inside
    EXPECT_TRUE(ButtonMouseUp(&button, POINT{15, 15}, &clicked));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(button.state, kButtonHover);
  }
  {
    // Released elsewhere: no click; a release without a press does nothing.
    ButtonMouseDown(&button, POINT{15, 15});
    EXPECT_TRUE(ButtonMouseUp(&button, POINT{50, 50}, &clicked));
    EXPECT_FALSE(clicked);
    EXPECT_EQ(button.state, kButtonNormal);
    EXPECT_FALSE(ButtonMouseUp(&button, POINT{15, 15}, &clicked));
    EXPECT_FALSE(clicked);
  }
  {
    // A disabled button ignores the mouse.
    button.state = kButtonDisabled;
    EXPECT_FALSE(ButtonMouseMove(&button, POINT{15, 15}));
    EXPECT_FALSE(ButtonMouseDown(&button, POINT{15, 15}));
    EXPECT_EQ(button.state, kButtonDisabled);
  }
}

}  // namespace
}  // namespace sorvik
