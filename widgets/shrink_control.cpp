#include "widgets/shrink_control.h"

#include "res/resource_ids.h"

namespace sorvik {

CShrinkControl::CShrinkControl() {
  expanded_image_.Load(IDR_PNG_SHRINK_EXPANDED);
  collapsed_image_.Load(IDR_PNG_SHRINK_COLLAPSED);
}

void CShrinkControl::SetExpanded(bool expanded) {
  expanded_ = expanded;
  if (Handle() != nullptr) InvalidateRect(Handle(), nullptr, FALSE);
}

void CShrinkControl::PaintFace(HDC dc, const RECT& rect, bool hot) {
  PaintRoundedFace(dc, rect, hot ? kColorPaleBlue : kColorLightGrey,
                   hot ? kColorLightBlue : kColorGreyBlue);
  RECT image = rect;
  InflateRect(&image, -2, -2);
  (expanded_ ? expanded_image_ : collapsed_image_).Draw(dc, image);
}

}  // namespace sorvik
