// The top strip of the search window: five menu buttons with drop-downs, the keyword box and
// the "搜索" and "清除" buttons, over a background picture. Enter in the box and "搜索" run the
// bar's search action; a menu button asks the bar's parent for its drop-down.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/search/query_enter_wnd.h"
#include "widgets/button_base.h"
#include "widgets/png_loader.h"

namespace sorvik {

constexpr int kSearchBarHeight = 40;
constexpr int kBarControlsRight = 820;     // right edge of "清除" in a bar wide enough for it
constexpr int kBarSearchButtonId = 10000;  // "搜索", an id of the bar only
constexpr int kBarClearButtonId = 10001;   // "清除"

// A button of the strip with an icon and a caption. A click sends kMsgMenuDropDown to the bar's
// parent with the button id and the button's rectangle in the bar's client coordinates.
class LMenuButton : public LButtonBase {
 public:
  LMenuButton(int icon_id, const std::string& caption);
  ~LMenuButton() override;
  // The width the icon and the caption need in the font of `parent`'s dialog.
  int PreferredWidth(HWND parent) const;

 protected:
  const char* ClassName() const override { return "SorvikMenuButton"; }
  void PaintFace(HDC dc, const RECT& rect, bool hot) override;
  void OnClick() override;

 private:
  HICON icon_;  // 16 x 16
};

class SearchBar : public CWindowBase {
 public:
  // `on_search` runs on Enter in the keyword box and on "搜索".
  explicit SearchBar(std::function<void()> on_search);
  bool CreateBar(HWND parent, const RECT& rect);
  CQueryEnterWnd& KeywordBox() { return keyword_box_; }
  // The menu button `id` (kMenuButton...), or null.
  LMenuButton* MenuButton(int id);
  // The least width that shows every control whole.
  int MinimumWidth() const;

 protected:
  const char* ClassName() const override { return "SorvikSearchBar"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void CreateChildren();
  void PlaceRightControls(int width);
  void Paint();

  struct Entry {
    int id;
    std::unique_ptr<LMenuButton> button;
  };
  std::vector<Entry> buttons_;       // left to right
  int menus_right_ = 0;              // the right edge of the last menu button
  std::function<void()> on_search_;  // the search of Enter and "搜索"
  CQueryEnterWnd keyword_box_;
  LButtonBase search_button_;
  LButtonBase clear_button_;
  PngLoader background_;
};

}  // namespace sorvik
