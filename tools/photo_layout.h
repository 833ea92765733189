// The picture viewer's arithmetic, kept apart from its windows: how a picture is fitted into the
// display area, where the bottom bar's buttons go, how keys and steps move through the page, and
// how a button's state follows the mouse.
#pragma once

#include <windows.h>

#include <cstddef>

namespace sorvik {

constexpr int kViewerBarHeight = 35;  // the bottom bar below the display area

// The viewer's button ids.
constexpr int kPreviousButtonId = 100;
constexpr int kNextButtonId = 200;
constexpr int kSlideShowButtonId = 300;

// Button states; each is also the frame's column in the button's sprite strip.
constexpr int kButtonDisabled = 0;
constexpr int kButtonNormal = 1;
constexpr int kButtonHover = 2;
constexpr int kButtonPressed = 3;

// Where a picture of `width` x `height` goes in a client area of `client_width` x
// `client_height`: natural size and centred when it fits; otherwise scaled to the full width or
// the full height, whichever the aspect ratios call for, and centred on the other axis. An empty
// picture or area gives an empty rectangle at the origin.
RECT FitPicture(int width, int height, int client_width, int client_height);

// `index` + `step` when that is still within a page of `count` entries, else `index`.
int StepIndex(int index, int step, size_t count);

// What a key press does in the viewer.
enum class ViewerAction { kNone, kStopSlideShow, kPrevious, kNext, kToggleSlideShow };
ViewerAction ActionForKey(UINT virtual_key, bool slide_show);

// The display area and the three buttons for a frame client area of `width` x `height`.
struct ViewerLayout {
  RECT display;
  RECT previous;
  RECT slide_show;
  RECT next;
};
ViewerLayout LayoutViewer(int width, int height);

// A painted button of the bottom bar.
struct ImageButton {
  int id;     // the command it stands for
  RECT rect;  // where it is drawn, in the frame's client area
  int state;  // kButtonDisabled ... kButtonPressed
};

// The mouse moved to `point`: an enabled button under it turns hover (unless pressed), one left
// turns normal. True when the state changed.
bool ButtonMouseMove(ImageButton* button, POINT point);
// The left button went down at `point`: an enabled button under it turns pressed.
bool ButtonMouseDown(ImageButton* button, POINT point);
// The left button came up at `point`: a pressed button under it turns hover and is clicked
// (`*clicked` set); a pressed button elsewhere turns normal.
bool ButtonMouseUp(ImageButton* button, POINT point, bool* clicked);

}  // namespace sorvik
