#include "ui/search/status_bar.h"

#include <gtest/gtest.h>

#include "testing/list_test_support.h"
#include "ui/results/basic_list_ctrl.h"
#include "ui/search/search_session.h"

namespace sorvik {
namespace {

using testing::FakeDetails;
using testing::ListHolder;
using testing::MakeResult;
using testing::RowCount;

// One page request as the session made it.
struct PageCall {
  SearchRequest request;
  int page;
  int page_size;
};

// A list and a bar in a holder window, and the session that pages into them as the search
// window's does (the bar's link clicks turn its pages); pages come from a fake search that
// answers with `next_ids` ids and `next_total` matches, or nothing while `fail` is set.
class StatusBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list.Create(holder.hwnd, RECT{0, 0, 800, 568}));
    ListHolder::list() = &list;
    ASSERT_TRUE(bar.Create(holder.hwnd, RECT{0, 568, 800, 600}, 1300));
    RECT client;
    GetClientRect(bar.Handle(), &client);
    width = client.right;
    request.keywords = "报告";
    request.category = kCategoryDocuments;
  }
  void TearDown() override { ListHolder::list() = nullptr; }

  SearchResult* Fetch(const SearchRequest& asked, int page, int page_size, uint32_t* total) {
    calls.push_back(PageCall{asked, page, page_size});
    if (fail) return nullptr;
    *total = next_total;
    std::vector<uint32_t> ids(next_ids);
    for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<uint32_t>(i + 1);
    return MakeResult(&details, ids);
  }
  std::vector<int> VisibleLinks() const {
    std::vector<int> shown;
    for (int link = 0; link < 4; ++link)
      if (bar.LinkVisible(link)) shown.push_back(link);
    return shown;
  }
  void ExpectPackedRight() {
    const std::vector<int> shown = VisibleLinks();
    int x = width - 46 * static_cast<int>(shown.size()) + 2;
    for (int link : shown) {
      const RECT rect = bar.LinkRect(link);
      EXPECT_EQ(rect.left, x) << link;
      EXPECT_EQ(rect.top, 7);
      EXPECT_EQ(rect.right - rect.left, 40);
      EXPECT_EQ(rect.bottom - rect.top, 20);
      x += 46;
    }
  }

  FakeDetails details;
  ListHolder holder;
  CBasicListCtrl list;
  LStatusBar bar{[this](int link) { session.GoTo(link); }};
  SearchSession session{[this](const SearchRequest& asked, int page, int page_size,
                               uint32_t* total) { return Fetch(asked, page, page_size, total); },
                        &list, &bar};
  // What the bar shows of a new search of `total` matches at `page_size` ids per page, as
  // the session tells it; the page count.
  int ShowNewSearch(uint32_t total, int page_size) {
    const int pages = PageCountOf(total, page_size);
    bar.ShowLinks(1, pages);
    bar.ShowCount(total, pages);
    return pages;
  }
  int width = 0;
  SearchRequest request;
  std::vector<PageCall> calls;
  bool fail = false;
  size_t next_ids = 0;
  uint32_t next_total = 0;
};

TEST_F(StatusBarTest, CountTextAndLinksOfANewSearch) {
  {
    // A full page and no more: the count alone, no links.
    EXPECT_EQ(ShowNewSearch(800, 800), 1);
    EXPECT_EQ(bar.CountText(), "共找到 800 个文件");
    EXPECT_TRUE(VisibleLinks().empty());
  }
  {
    // One match more: two pages, "下一页" and "尾　页" at the right edge.
    ShowNewSearch(801, 800);
    EXPECT_EQ(bar.CountText(), "共找到 801 个文件,分2页显示");
    EXPECT_EQ(VisibleLinks(), (std::vector<int>{kLinkNext, kLinkLast}));
    ExpectPackedRight();
    EXPECT_EQ(bar.LinkRect(kLinkLast).right, width - 4);
  }
  {
    // Nothing found, and a page size that cannot split: no links, no crash.
    ShowNewSearch(0, 800);
    EXPECT_EQ(bar.CountText(), "共找到 0 个文件");
    EXPECT_TRUE(VisibleLinks().empty());
    ShowNewSearch(5, 0);
    EXPECT_EQ(bar.CountText(), "共找到 5 个文件");
    EXPECT_TRUE(VisibleLinks().empty());
  }
  EXPECT_TRUE(calls.empty());
}

TEST_F(StatusBarTest, PagingFetchesWithTheStoredRequest) {
  next_total = 1700;
  ASSERT_NE(session.Start(request, 800), nullptr);
  calls.clear();  // page 1 of the new search
  EXPECT_EQ(bar.CountText(), "共找到 1700 个文件,分3页显示");
  request.keywords = "changed later";  // the session keeps its own copy
  {
    // "下一页": page 2 of the same search into the list; all four links on a middle page.
    next_ids = 800;
    next_total = 1700;
    session.GoTo(kLinkNext);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].page, 2);
    EXPECT_EQ(calls[0].page_size, 800);
    EXPECT_EQ(calls[0].request.keywords, "报告");
    EXPECT_EQ(calls[0].request.category, kCategoryDocuments);
    EXPECT_EQ(RowCount(list.Handle()), 800);
    EXPECT_EQ(session.Page(), 2);
    EXPECT_EQ(VisibleLinks(), (std::vector<int>{0, 1, 2, 3}));
    ExpectPackedRight();
  }
  {
    // "尾　页": only "首　页" and "上一页", packed right; the count text stays.
    next_ids = 100;
    session.GoTo(kLinkLast);
    EXPECT_EQ(calls.back().page, 3);
    EXPECT_EQ(RowCount(list.Handle()), 100);
    EXPECT_EQ(VisibleLinks(), (std::vector<int>{kLinkFirst, kLinkPrevious}));
    ExpectPackedRight();
    EXPECT_EQ(bar.CountText(), "共找到 1700 个文件,分3页显示");
  }
  {
    // A hidden link does nothing.
    session.GoTo(kLinkNext);
    EXPECT_EQ(calls.size(), 2u);
  }
  {
    // A failed fetch leaves the page, the links and the list as they were.
    fail = true;
    SearchResult* shown = list.Result();
    session.GoTo(kLinkPrevious);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(session.Page(), 3);
    EXPECT_EQ(list.Result(), shown);
    EXPECT_EQ(VisibleLinks(), (std::vector<int>{kLinkFirst, kLinkPrevious}));
  }
  {
    // A release of the left button on "首　页" goes back to page 1; the page count follows
    // the new total.
    fail = false;
    next_total = 900;
    const RECT first = bar.LinkRect(kLinkFirst);
    SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(first.left + 5, first.top + 5));
    EXPECT_EQ(calls.back().page, 1);
    EXPECT_EQ(session.Page(), 1);
    EXPECT_EQ(session.PageCount(), 2);
    EXPECT_EQ(VisibleLinks(), (std::vector<int>{kLinkNext, kLinkLast}));
  }
  {
    // A new search starts again at page 1 with its own count.
    next_total = 10;
    session.Start(request, 800);
    EXPECT_EQ(session.Page(), 1);
    EXPECT_TRUE(VisibleLinks().empty());
  }
}

TEST_F(StatusBarTest, LayoutFollowsTheWidthAndTheNoticeIsCentred) {
  ShowNewSearch(801, 800);
  {
    // A narrower bar moves the links with its right edge.
    MoveWindow(bar.Handle(), 0, 568, 600, 32, FALSE);
    RECT client;
    GetClientRect(bar.Handle(), &client);
    width = client.right;
    ExpectPackedRight();
  }
  {
    // The notice is centred in the bar and opens nothing but web links (its control's part).
    bar.SetNotice("软件更新通知", "http://127.0.0.1/notice", "");
    ASSERT_NE(bar.NoticeHandle(), nullptr);
    RECT notice;
    GetWindowRect(bar.NoticeHandle(), &notice);
    MapWindowPoints(nullptr, bar.Handle(), reinterpret_cast<POINT*>(&notice), 2);
    EXPECT_GT(notice.right - notice.left, 0);
    EXPECT_LE(std::abs((notice.left + notice.right) - width), 1);
    EXPECT_LE(std::abs((notice.top + notice.bottom) - 32), 1);
    char text[64] = {0};
    GetWindowTextA(bar.NoticeHandle(), text, sizeof text);
    EXPECT_STREQ(text, "软件更新通知");
  }
  {
    // A notice line of 240 KB shows its beginning, cut between characters, no wider than the bar.
    std::string huge = "a";
    while (huge.size() < 240 * 1024) huge += "软件更新通知";
    bar.SetNotice(huge, "http://127.0.0.1/notice", huge);
    std::vector<char> text(kMaxNoticeTextBytes + 16, '\0');
    const int length =
        GetWindowTextA(bar.NoticeHandle(), text.data(), static_cast<int>(text.size()));
    EXPECT_GT(length, 200);
    EXPECT_LE(static_cast<size_t>(length), kMaxNoticeTextBytes);
    EXPECT_EQ(length % 2, 1);  // "a" and whole double-byte characters
    EXPECT_EQ(huge.compare(0, length, text.data()), 0);
    RECT notice, client;
    GetWindowRect(bar.NoticeHandle(), &notice);
    GetClientRect(bar.Handle(), &client);
    EXPECT_GT(notice.right - notice.left, 0);
    EXPECT_LE(notice.right - notice.left, client.right);
  }
}

}  // namespace
}  // namespace sorvik
