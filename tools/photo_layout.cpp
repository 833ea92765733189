#include "tools/photo_layout.h"

namespace sorvik {

RECT FitPicture(int width, int height, int client_width, int client_height) {
  if (width <= 0 || height <= 0 || client_width <= 0 || client_height <= 0) return RECT{0, 0, 0, 0};
  if (width <= client_width && height <= client_height) {
    const int left = client_width / 2 - width / 2;
    const int top = client_height / 2 - height / 2;
    return RECT{left, top, left + width, top + height};
  }
  const double picture_ratio = static_cast<double>(width) / height;
  const double client_ratio = static_cast<double>(client_width) / client_height;
  if (picture_ratio > client_ratio) {
    const int fitted = static_cast<int>(client_width * (static_cast<double>(height) / width));
    const int top = (client_height - fitted) / 2;
    return RECT{0, top, client_width, top + fitted};
  }
  if (picture_ratio < client_ratio) {
    const int fitted = static_cast<int>(client_height * (static_cast<double>(width) / height));
    const int left = (client_width - fitted) / 2;
    return RECT{left, 0, left + fitted, client_height};
  }
  return RECT{0, 0, client_width, client_height};
}

int StepIndex(int index, int step, size_t count) {
  const long long next = static_cast<long long>(index) + step;
  return next >= 0 && next < static_cast<long long>(count) ? static_cast<int>(next) : index;
}

ViewerAction ActionForKey(UINT virtual_key, bool slide_show) {
  switch (virtual_key) {
    case VK_ESCAPE:
      return slide_show ? ViewerAction::kStopSlideShow : ViewerAction::kNone;
    case VK_LEFT:
    case VK_UP:
    case 'S':
      return ViewerAction::kPrevious;
    case VK_RIGHT:
    case VK_DOWN:
    case 'L':
      return ViewerAction::kNext;
    case VK_F5:
    case VK_F12:
      return ViewerAction::kToggleSlideShow;
    default:
      return slide_show ? ViewerAction::kNext : ViewerAction::kNone;
  }
}

ViewerLayout LayoutViewer(int width, int height) {
  ViewerLayout layout;
  const int bottom = height - kViewerBarHeight > 0 ? height - kViewerBarHeight : 0;
  layout.display = RECT{0, 0, width, bottom};
  const int centre = width / 2;
  const int middle = bottom + (height - bottom - 1) / 2;
  layout.previous = RECT{centre - 68, middle - 9, centre - 17, middle + 11};
  layout.slide_show = RECT{centre - 17, middle - 14, centre + 18, middle + 16};
  layout.next = RECT{centre + 18, middle - 9, centre + 69, middle + 11};
  return layout;
}

bool ButtonMouseMove(ImageButton* button, POINT point) {
  if (button->state == kButtonDisabled) return false;
  const int old = button->state;
  if (!PtInRect(&button->rect, point))
    button->state = kButtonNormal;
  else if (button->state == kButtonNormal)
    button->state = kButtonHover;
  return button->state != old;
}

bool ButtonMouseDown(ImageButton* button, POINT point) {
  if (button->state == kButtonDisabled || !PtInRect(&button->rect, point)) return false;
  const int old = button->state;
  button->state = kButtonPressed;
  return old != kButtonPressed;
}

bool ButtonMouseUp(ImageButton* button, POINT point, bool* clicked) {
  *clicked = false;
  if (button->state != kButtonPressed) return false;
  *clicked = PtInRect(&button->rect, point) != FALSE;
  button->state = *clicked ? kButtonHover : kButtonNormal;
  return true;
}

}  // namespace sorvik
