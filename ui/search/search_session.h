// SearchSession: the search the window shows and its pages. It holds the request, the page
// shown, the number of matches and the index that answers them, runs every search and page
// turn of the window, and puts each page into the result list and its count and page links on
// the bottom bar. The bar only paints them; its link clicks come back here through the window.
#pragma once

#include <cstdint>
#include <functional>

#include "query/search_request.h"
#include "query/search_result.h"

namespace sorvik {

class CBasicListCtrl;
class LStatusBar;

// Fetches page `page` (1-based) of `request` with `page_size` ids per page and stores the
// number of matches in *total; null when there is no result (no index loaded).
using PageSearch = std::function<SearchResult*(const SearchRequest& request, int page,
                                               int page_size, uint32_t* total)>;

// Pages of `total` ids at `page_size` per page; a page size below 1 makes one page.
int PageCountOf(uint32_t total, int page_size);

class SearchSession {
 public:
  // `search` answers the pages, `list` shows them, `bar` shows their count and page links.
  // REQUIRES: `list` and `bar` are not null and outlive the session.
  SearchSession(PageSearch search, CBasicListCtrl* list, LStatusBar* bar);

  // A new search: page 1 of `request` with `page_size` ids per page into the list, its count
  // and links on the bar. Null when there is no result: the list and the bar stay as they were,
  // but the session's search is `request` from now on (a newly loaded index shows it on Reload,
  // and it is the search a favourite saves). The list holds the result; the pointer is for
  // looking only.
  SearchResult* Start(const SearchRequest& request, int page_size);
  // As Start, with page 1 already fetched elsewhere (a search as you type, off the window's
  // thread): `result` (with its reference, or null for no result) and its `total`.
  SearchResult* Show(const SearchRequest& request, int page_size, SearchResult* result,
                     uint32_t total);
  // The session's search with its whole answer sorted by `key` (kSortName .. kSortSize) in the
  // direction given: page 1 of it into the list, its count and links on the bar. Null, with
  // nothing changed, when there is no result.
  SearchResult* SortWhole(int32_t key, bool ascending);
  // Fetches the page that page link `link` (kLinkFirst...) leads to and shows it; a link that
  // leads nowhere from the current page, or a failed fetch, changes nothing.
  void GoTo(int link);
  // Fetches the current page again, from a newly loaded index, and shows it in the list in
  // place of the stale one (the last page when the search has fewer pages now), with the new
  // count. False, with nothing changed, when there is no result.
  bool Reload();

  // A search has shown its result.
  bool Searched() const { return searched_; }
  // The search last started, answered or not.
  const SearchRequest& Request() const { return request_; }
  int Page() const { return page_; }
  int PageCount() const { return PageCountOf(total_, page_size_); }
  uint32_t Total() const { return total_; }

 private:
  SearchResult* Fetch(int page, uint32_t* total) const;
  void ShowLinks();
  void ShowCount();

  PageSearch search_;      // answers the pages from the loaded index
  CBasicListCtrl* list_;   // shows the pages
  LStatusBar* bar_;        // shows the count and the page links
  SearchRequest request_;  // the search last started
  int page_ = 1;           // the page shown, 1-based
  int page_size_ = 0;      // ids per page
  uint32_t total_ = 0;     // matches, as the last fetch counted them
  bool searched_ = false;  // a search has shown its result
};

}  // namespace sorvik
