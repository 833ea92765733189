// LStatusBar: the bar along the bottom of the search window. Paints the result count, the four
// page links and the notice line; a click on a page link is reported to the bar's owner, which
// turns the page (SearchSession).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "widgets/hyperlink.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

// The page links, left to right.
enum PageLink { kLinkFirst = 0, kLinkPrevious = 1, kLinkNext = 2, kLinkLast = 3 };
constexpr int kPageLinkCount = 4;
constexpr size_t kMaxNoticeTextBytes = 256;  // more than the widest bar shows of a notice
constexpr size_t kMaxNoticeTipBytes = 1024;  // a notice's tool tip

// Whether page link `link` shows on page `page` (1-based) of `page_count`: none for a single
// page; "首　页" and "上一页" after the first page, "下一页" and "尾　页" before the last.
bool PageLinkShown(int link, int page, int page_count);

class LStatusBar : public CWindowBase {
 public:
  // `on_link` hears of every click on a shown page link, with the link (kLinkFirst...).
  explicit LStatusBar(std::function<void(int link)> on_link);
  ~LStatusBar() override;

  // Shows the count of a search of `total` matches in `page_count` pages.
  void ShowCount(uint32_t total, int page_count);
  // Shows the page links of page `page` of `page_count`, packed against the right edge.
  void ShowLinks(int page, int page_count);
  // Shows `text` centred in the bar, opening `link` when clicked; its tool tip is `tip`, or the
  // text when the tip is empty.
  // Shows a notice: its text cut to kMaxNoticeTextBytes (at a character boundary) and to the
  // bar's width, its tip cut to kMaxNoticeTipBytes.
  void SetNotice(const std::string& text, const std::string& link, const std::string& tip);

  const std::string& CountText() const { return count_text_; }
  bool LinkVisible(int link) const;
  RECT LinkRect(int link) const;  // in client coordinates; empty when hidden
  HWND NoticeHandle() const { return notice_.Handle(); }

 protected:
  const char* ClassName() const override { return "SorvikStatusBar"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void OnCreate();
  void Paint();
  void PaintLinks(HDC dc);
  void LayoutLinks();
  void CentreNotice();
  int LinkAt(POINT point) const;
  int ClientWidth() const;

  std::function<void(int link)> on_link_;  // hears of the page link clicks
  std::string count_text_;                 // "共找到 N 个文件..."
  bool visible_[kPageLinkCount] = {};      // which page links show
  RECT rects_[kPageLinkCount] = {};        // where the visible ones are
  std::string notice_text_;                // the notice line
  CHyperLink notice_;                      // the notice control
  HFONT count_font_ = nullptr;             // "Arial" 15 px for the count
  HFONT link_font_ = nullptr;              // the page links' and the notice's font
  PngLoader background_;                   // the bar's picture
};

}  // namespace sorvik
