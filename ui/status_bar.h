// LStatusBar: the bar along the bottom of the search window. Shows the result count, four page
// links that fetch other pages of the same search into the result list, and the notice line.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "query/search_request.h"
#include "query/search_result.h"
#include "widgets/hyperlink.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

class CBasicListCtrl;

// Fetches page `page` (1-based) of `request` with `page_size` ids per page and stores the
// number of matches in *total; null when there is no result.
using PageSearch = std::function<SearchResult*(const SearchRequest& request, int page,
                                               int page_size, uint32_t* total)>;

// The page links, left to right.
enum PageLink { kLinkFirst = 0, kLinkPrevious = 1, kLinkNext = 2, kLinkLast = 3 };
constexpr int kPageLinkCount = 4;
constexpr size_t kMaxNoticeTextBytes = 256;  // more than the widest bar shows of a notice
constexpr size_t kMaxNoticeTipBytes = 1024;  // a notice's tool tip

class LStatusBar : public CWindowBase {
 public:
  // `list` receives the fetched pages; `search` fetches them. The list must outlive the bar.
  LStatusBar(CBasicListCtrl* list, PageSearch search);
  ~LStatusBar() override;

  // A new search: remembers the request, goes to page 1, shows the count and the links.
  void SetResult(const SearchRequest& request, uint32_t total, int page_size);
  // Shows `text` centred in the bar, opening `link` when clicked; its tool tip is `tip`, or the
  // text when the tip is empty.
  // Shows a notice: its text cut to kMaxNoticeTextBytes (at a character boundary) and to the
  // bar's width, its tip cut to kMaxNoticeTipBytes.
  void SetNotice(const std::string& text, const std::string& link, const std::string& tip);

  const std::string& CountText() const { return count_text_; }
  int Page() const { return page_; }
  int PageCount() const { return page_count_; }
  bool LinkVisible(int link) const;
  RECT LinkRect(int link) const;  // in client coordinates; empty when hidden
  // Fetches the page that visible `link` leads to and shows it; a failed fetch changes nothing.
  void GoTo(int link);
  // Fetches the current page of the same search again, from a newly loaded index, and shows it
  // in the list in place of the stale one (the last page when the search has fewer pages now),
  // with the new count. False, with nothing changed, when there is no result.
  bool Reload();
  HWND NoticeHandle() const { return notice_.Handle(); }

 protected:
  const char* ClassName() const override { return "SorvikStatusBar"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void OnCreate();
  void Paint();
  void PaintLinks(HDC dc);
  void LayoutLinks();
  void ShowLinksForPage();
  void SetCountText(uint32_t total);
  void CentreNotice();
  int LinkAt(POINT point) const;
  int ClientWidth() const;

  CBasicListCtrl* list_;               // shows the fetched pages
  PageSearch search_;                  // fetches them
  SearchRequest request_;              // the search being paged
  int page_ = 1;                       // current page, 1-based
  int page_count_ = 0;                 // pages of the search
  int page_size_ = 0;                  // ids per page
  std::string count_text_;             // "共找到 N 个文件..."
  bool visible_[kPageLinkCount] = {};  // which page links show
  RECT rects_[kPageLinkCount] = {};    // where the visible ones are
  std::string notice_text_;            // the notice line
  CHyperLink notice_;                  // the notice control
  HFONT count_font_ = nullptr;         // "Arial" 15 px for the count
  HFONT link_font_ = nullptr;          // the page links' and the notice's font
  PngLoader background_;               // the bar's picture
};

}  // namespace sorvik
