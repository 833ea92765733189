#include "ui/search/search_session.h"

#include <algorithm>
#include <utility>

#include "ui/results/basic_list_ctrl.h"
#include "ui/search/status_bar.h"

namespace sorvik {

int PageCountOf(uint32_t total, int page_size) {
  if (total == 0) return 0;
  if (page_size < 1) return 1;
  return static_cast<int>((uint64_t{total} + page_size - 1) / page_size);
}

SearchSession::SearchSession(PageSearch search, CBasicListCtrl* list, LStatusBar* bar)
    : search_(std::move(search)), list_(list), bar_(bar) {}

SearchResult* SearchSession::Fetch(int page, uint32_t* total) const {
  return search_ ? search_(request_, page, page_size_, total) : nullptr;
}

SearchResult* SearchSession::Start(const SearchRequest& request, int page_size) {
  uint32_t total = 0;
  SearchResult* result = search_ ? search_(request, 1, page_size, &total) : nullptr;
  return Show(request, page_size, result, total);
}

SearchResult* SearchSession::Show(const SearchRequest& request, int page_size, SearchResult* result,
                                  uint32_t total) {
  request_ = request;
  page_ = 1;
  page_size_ = page_size;
  if (result == nullptr) return nullptr;
  total_ = total;
  searched_ = true;
  ShowLinks();
  ShowCount();
  list_->SetResult(result);
  return result;
}

SearchResult* SearchSession::SortWhole(int32_t key, bool ascending) {
  SearchRequest request = request_;
  request.sortKey = key;
  request.sortAscending = ascending;
  uint32_t total = 0;
  SearchResult* result = search_ ? search_(request, 1, page_size_, &total) : nullptr;
  if (result == nullptr) return nullptr;
  return Show(request, page_size_, result, total);
}

void SearchSession::GoTo(int link) {
  if (!PageLinkShown(link, page_, PageCount())) return;
  int page = page_;
  if (link == kLinkFirst) page = 1;
  if (link == kLinkPrevious) page = page_ - 1;
  if (link == kLinkNext) page = page_ + 1;
  if (link == kLinkLast) page = PageCount();
  uint32_t total = 0;
  SearchResult* result = Fetch(page, &total);
  if (result == nullptr) return;
  page_ = page;
  total_ = total;  // the links follow the new count; the count text stays as the search began
  list_->SetResult(result);
  ShowLinks();
}

bool SearchSession::Reload() {
  uint32_t total = 0;
  SearchResult* result = Fetch(page_, &total);
  if (result == nullptr) return false;
  const int pages = PageCountOf(total, page_size_);
  if (page_ > 1 && page_ > pages) {
    // The page is gone: the search's last page takes its place.
    result->Release();
    result = Fetch(std::max(pages, 1), &total);
    if (result == nullptr) return false;
  }
  total_ = total;
  page_ = std::max(1, std::min(page_, PageCount()));
  list_->ReplaceResult(result);
  ShowLinks();
  ShowCount();
  return true;
}

void SearchSession::ShowLinks() { bar_->ShowLinks(page_, PageCount()); }

void SearchSession::ShowCount() { bar_->ShowCount(total_, PageCount()); }

}  // namespace sorvik
