#include "ui/search/main_search_dlg.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include "lifecycle/index_manager.h"
#include "query/search_result.h"
#include "res/resource_ids.h"
#include "settings/autorun.h"
#include "settings/config_store.h"
#include "settings/object_directory.h"
#include "ui/command_ids.h"
#include "ui/results/result_actions.h"
#include "ui/search/not_found_text.h"

namespace sorvik {
namespace {

constexpr int kInitialWidth = 800;
constexpr int kInitialHeight = 600;
constexpr int kBottomBarHeight = 32;
constexpr int kListTop = 40;
constexpr int kListLeft = 165;
constexpr RECT kGuideButtonRect = {3, 43, 70, 63};
constexpr RECT kResetButtonRect = {86, 43, 156, 63};
constexpr int kPanelTop = 63;

// With SORVIK_TYPING_LOG naming a file, each page of a search as you type is drawn at once and
// the moment it was (the host's clock, microseconds since 1970) is appended there with the words
// it answers, for scripts/typing-latency to time keystrokes against.
void LogTypingPageDrawn(HWND list, const std::string& keywords) {
  static const char* const path = std::getenv("SORVIK_TYPING_LOG");
  if (path == nullptr || *path == '\0') return;
  RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  if (std::FILE* log = std::fopen(path, "ab")) {
    std::fprintf(log, "%llu\t%s\n",
                 static_cast<unsigned long long>(ticks / 10 - 11644473600000000ull),
                 keywords.c_str());
    std::fclose(log);
  }
}

}  // namespace

CAdcolumnDlg::CAdcolumnDlg() : CHtmlDialogBase(IDD_AD_COLUMN, IDR_HTML_AD_COLUMN) {}

MainSearchDlg::MainSearchDlg(const MainWindowOptions& options)
    : CDialogBase(IDD_MAIN_SEARCH),
      index_(options.index),
      settings_(options.settings),
      favourites_folder_(options.favourites_folder),
      bar_([this] { SearchWithFilters(); }),
      status_bar_([this](int link) { TurnPage(link); }),
      panel_([this] { SearchWithFilters(); }, nullptr),
      session_([this](const SearchRequest& request, int page, int page_size,
                      uint32_t* total) { return index_->Search(request, page, page_size, total); },
               &list_, &status_bar_) {
  taskbar_created_ = RegisterWindowMessageA("TaskbarCreated");
  bar_.KeywordBox().SetChangeAction([this] { SearchAsYouType(); });
  guide_button_.SetCaption("使用指南");
  reset_button_.SetCaption("重置所有");
}

MainSearchDlg::~MainSearchDlg() {
  typing_.reset();  // stopped at WM_DESTROY already, unless the window never existed
  if (index_ != nullptr) index_->SetSwapListener(nullptr);
  if (index_ != nullptr) index_->SetLiveListener(nullptr);
  KillTimer(Handle(), kNoticeTimer);
  if (ObjectDirectory::Find<MainSearchDlg>(kMainWindowKey) == this)
    ObjectDirectory::Set<MainSearchDlg>(kMainWindowKey, nullptr);
}

BOOL MainSearchDlg::OnInit() {
  ObjectDirectory::Set<MainSearchDlg>(kMainWindowKey, this);
  SetPropA(Handle(), kSearchWindowProperty, Handle());
  if (settings_ == nullptr) settings_ = &ConfigStore::Instance();
  ApplyAutorunSetting(settings_);
  if (index_ == nullptr) index_ = &IndexManager::Instance();
  panel_.SetIndex(index_);
  ListenForSwaps();
  IndexManager* index = index_;
  typing_ = std::make_unique<TypingSearch>(
      [index](const SearchRequest& request, int page, int page_size, uint32_t* total) {
        return index->Search(request, page, page_size, total);
      },
      Handle());
  may_show_ = !StartedByLogon();
  SetIcons();
  RECT client;
  GetClientRect(Handle(), &client);
  CreateChildren(client.right, client.bottom);
  StartTray();
  PlaceAtStart();
  FirstSearch();
  notice_counter_ = 0;
  SetTimer(Handle(), kNoticeTimer, kNoticePeriodMs, nullptr);
  return TRUE;
}

void MainSearchDlg::SetIcons() {
  icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
  SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
}

void MainSearchDlg::CreateChildren(int cx, int cy) {
  bar_.CreateBar(Handle(), RECT{0, 0, cx, kSearchBarHeight});
  guide_button_.Create(Handle(), kGuideButtonRect, kCmdQuickStart);
  reset_button_.Create(Handle(), kResetButtonRect, kCmdResetAll);
  panel_.CreatePanel(Handle(), RECT{0, kPanelTop, kFilterPanelMinWidth, cy - kListTop});
  CreateList(cx, cy);
  ad_column_.Create(Handle());
  ShowWindow(ad_column_.Handle(), SW_SHOW);
  ad_toggle_.Create(Handle(), RECT{cx - 180, 42, cx - 163, 59}, kCmdToggleAdColumn);
  status_bar_.Create(Handle(), RECT{0, cy - kBottomBarHeight, cx, cy}, kStatusBarId);
  not_found_.Create(Handle(), RECT{0, 0, kNotFoundWidth, kNotFoundHeight}, kNotFoundPanelId);
  ShowWindow(not_found_.Handle(), SW_HIDE);
}

void MainSearchDlg::CreateList(int cx, int cy) {
  // The list sets its own header font ("MS Serif" 15 pt).
  list_.Create(Handle(), RECT{kListLeft, kListTop, cx - kListLeft, cy - kListTop});
  // The not-found panel lies over the list; the list must not paint over it.
  const LONG_PTR style = GetWindowLongPtrA(list_.Handle(), GWL_STYLE);
  SetWindowLongPtrA(list_.Handle(), GWL_STYLE, style | WS_CLIPSIBLINGS);
  list_.Actions().SetHooks(ToolWindowHooks());
  list_.Actions().SetSettings(settings_);
  list_.SetWholeSort(
      [this](int32_t key, bool ascending) { return SortWholeAnswer(key, ascending); });
}

void MainSearchDlg::PlaceAtStart() {
  MoveWindow(Handle(), 0, 0, kInitialWidth, kInitialHeight, FALSE);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - kInitialWidth) / 2,
               work.top + (work.bottom - work.top - kInitialHeight) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(Handle(), SW_SHOWMAXIMIZED);
}

void MainSearchDlg::FirstSearch() {
  if (RunSearch("", "", kCategoryDocuments, 0, 0, 0) == nullptr) return;
  list_.SortByColumn(0);
  InvalidateRect(list_.Handle(), nullptr, TRUE);
}

void MainSearchDlg::SearchWithFilters() {
  FilterSelection filters;
  if (!panel_.TakeSelection(&filters)) return;
  RunSearch(NormalizeKeywords(bar_.KeywordBox().Text()), filters.location, filters.category,
            filters.hidden_only, filters.year, filters.month);
}

void MainSearchDlg::SearchAsYouType() {
  if (typing_ == nullptr || !settings_->GetBool(kConfigSearchAsYouType, true)) return;
  FilterSelection filters;
  if (!panel_.TakeSelection(&filters)) return;
  TypingJob job;
  job.request = WindowRequest(NormalizeKeywords(bar_.KeywordBox().Text()), filters.location,
                              filters.category, filters.hidden_only, filters.year, filters.month);
  job.page_size = static_cast<int>(kPageSize);
  job.year = filters.year;
  job.month = filters.month;
  last_typing_job_ = job;
  typing_->Ask(std::move(job));
}

// An answer for the box's latest text goes to the session as Start's would, but leaves the
// focus and the caret alone: the user is typing.
void MainSearchDlg::OnTypingAnswer(LPARAM posted) {
  if (typing_ == nullptr) return;
  std::unique_ptr<TypingAnswer> answer = typing_->Accept(posted);
  if (answer == nullptr) return;  // a newer text or search came since
  const TypingJob& job = answer->Job();
  request_year_ = job.year;
  request_month_ = job.month;
  SearchResult* result =
      session_.Show(job.request, job.page_size, answer->TakeResult(), answer->Total());
  if (result == nullptr) return;
  ShowOrHideNotFound(*result);
  LogTypingPageDrawn(list_.Handle(), job.request.keywords);
  // A swap came between the search and this answer: its notice found the older page current.
  if (!result->IsCurrent()) OnIndexSwapped();
}

SearchRequest MainSearchDlg::FavouriteRequest() {
  SearchRequest request = session_.Request();
  request.keywords = NormalizeKeywords(bar_.KeywordBox().Text());
  return request;
}

void MainSearchDlg::ListenForSwaps() {
  HWND window = Handle();
  // The index thread only posts: the window re-runs its search on its own thread.
  index_->SetSwapListener([window] { PostMessageA(window, kMsgIndexSwapped, 0, 0); });
  // So do the watch threads, once per burst of changes.
  std::shared_ptr<std::atomic<bool>> posted = live_posted_;
  index_->SetLiveListener([window, posted] {
    if (!posted->exchange(true) && !PostMessageA(window, kMsgIndexLive, 0, 0)) *posted = false;
  });
}

void MainSearchDlg::OnIndexLive() {
  *live_posted_ = false;  // changes from now on post again
  // A search as you type may have read the index before the change: it runs again.
  if (TypingSearchPending()) typing_->Ask(last_typing_job_);
  if (!session_.Searched() || list_.Result() == nullptr) return;
  if (!session_.Reload()) {
    list_.SetResult(nullptr);
    return;
  }
  ShowOrHideNotFound(*list_.Result());
}

void MainSearchDlg::OnIndexSwapped() {
  SearchResult* shown = list_.Result();
  // A page that is still current stays; so does an empty list before the first search. A list
  // emptied by an earlier swap that left no index gets its search back.
  if (shown != nullptr ? shown->IsCurrent() : !session_.Searched()) return;
  if (!session_.Reload()) {
    // No index is loaded: the stale rows go, the rest waits for the next search.
    list_.SetResult(nullptr);
    return;
  }
  ShowOrHideNotFound(*list_.Result());
}

void MainSearchDlg::ShowOrHideNotFound(const SearchResult& result) {
  if (!result.ids.empty())
    ShowWindow(not_found_.Handle(), SW_HIDE);
  else
    ShowNotFound(session_.Request(), request_year_, request_month_);
}

SearchRequest MainSearchDlg::WindowRequest(const std::string& keywords, const std::string& location,
                                           int category, uint8_t hiddenOnly, int year,
                                           int month) const {
  SearchRequest request =
      MakeSearchRequest(keywords, location, category, hiddenOnly != 0, year, month);
  request.hiddenOnly = hiddenOnly;
  request.pinyin = settings_->GetBool(kConfigPinyinSearch, false);
  if (settings_->GetBool(kConfigSortAllResults, false)) {
    request.sortKey = whole_sort_key_;
    request.sortAscending = whole_sort_ascending_;
  }
  return request;
}

// A column click with "sort_all_results" on: the whole answer of the search shown is sorted,
// and page 1 of that order replaces the page. A search as you type still on its way is asked
// again in the new order instead: its text is newer than the page shown.
bool MainSearchDlg::SortWholeAnswer(int32_t key, bool ascending) {
  if (!settings_->GetBool(kConfigSortAllResults, false)) return false;
  whole_sort_key_ = key;
  whole_sort_ascending_ = ascending;
  if (TypingSearchPending()) {
    last_typing_job_.request.sortKey = key;
    last_typing_job_.request.sortAscending = ascending;
    typing_->Ask(last_typing_job_);
    return true;
  }
  SearchResult* result = session_.SortWhole(key, ascending);
  if (result != nullptr) ShowOrHideNotFound(*result);
  return true;
}

SearchResult* MainSearchDlg::RunSearch(const std::string& keywords, const std::string& location,
                                       int category, uint8_t hiddenOnly, int year, int month) {
  // This search shows the window's latest wish: no answer of an earlier keystroke replaces it.
  if (typing_ != nullptr) typing_->Cancel();
  SetFocus(list_.Handle());
  const SearchRequest request =
      WindowRequest(keywords, location, category, hiddenOnly, year, month);
  request_year_ = year;
  request_month_ = month;
  SearchResult* result = session_.Start(request, static_cast<int>(kPageSize));
  if (result == nullptr) return nullptr;
  ShowOrHideNotFound(*result);
  bar_.KeywordBox().ClearSelection();
  bar_.KeywordBox().Focus();
  return result;
}

void MainSearchDlg::ShowNotFound(const SearchRequest& request, int year, int month) {
  NotFoundText text =
      ComposeNotFoundText(request.keywords, request.location, request.category, year, month);
  not_found_.SetTopMargin(text.top_margin);
  not_found_.SetText(FitLinesAfterTheFirst(text.text));
  ShowWindow(not_found_.Handle(), SW_SHOW);
  CentreNotFoundPanel();
  SetWindowPos(not_found_.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  InvalidateRect(not_found_.Handle(), nullptr, TRUE);
}

// The panel does not grow: a long keyword or path would wrap over several lines and push the
// last lines out of it. Each line after the first (which wraps by design) is cut to one line.
std::string MainSearchDlg::FitLinesAfterTheFirst(const std::string& text) const {
  std::string fitted;
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    fitted += first ? line : "\r\n" + not_found_.FitLine(line);
    if (end == std::string::npos) return fitted;
    start = end + 2;
  }
}

void MainSearchDlg::CentreNotFoundPanel() {
  if (not_found_.Handle() == nullptr || list_.Handle() == nullptr) return;
  RECT list = RectInParent(list_.Handle());
  RECT panel = RectInParent(not_found_.Handle());
  const int width = panel.right - panel.left;
  const int height = panel.bottom - panel.top;
  SetWindowPos(not_found_.Handle(), nullptr, (list.left + list.right - width) / 2,
               (list.top + list.bottom - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainSearchDlg::OnSize(UINT type, int cx, int cy) {
  (void)type;
  Layout(cx, cy);
}

void MainSearchDlg::Layout(int cx, int cy) {
  if ((cx == 0 && cy == 0) || bar_.Handle() == nullptr) return;
  if (cx == last_cx_ && cy == last_cy_) return;
  last_cx_ = cx;
  last_cy_ = cy;
  ++layout_count_;
  MoveWindow(bar_.Handle(), 0, 0, cx, kSearchBarHeight, TRUE);
  RECT panel = RectInParent(panel_.Handle());
  MoveWindow(panel_.Handle(), panel.left, panel.top, panel.right - panel.left, cy - 95, TRUE);
  PlaceListAndAdColumn(cx);
  CentreNotFoundPanel();
  MoveWindow(status_bar_.Handle(), 0, cy - kBottomBarHeight, cx + 2, kBottomBarHeight, TRUE);
  RepaintAll();
}

// Children moved over each other and the frames drawn around two of them: pixels copied along
// by the moves would leave old scroll bars, texts and lines behind.
void MainSearchDlg::RepaintAll() {
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainSearchDlg::PlaceListAndAdColumn(int cx) {
  RECT client;
  GetClientRect(Handle(), &client);
  RECT panel = RectInParent(panel_.Handle());
  const int list_x = panel.right + 5;
  const int list_width = cx - ad_column_width_ - panel.right - 7;
  const int list_height = client.bottom - 72;
  MoveWindow(list_.Handle(), list_x, kListTop, list_width, list_height, TRUE);
  const int list_right = list_x + list_width;
  MoveWindow(ad_toggle_.Handle(), list_right + 4, 42, ad_column_width_ - 3, 17, TRUE);
  MoveWindow(ad_column_.Handle(), list_right + 5, 58, ad_column_width_ - 4, list_height - 18, TRUE);
}

}  // namespace sorvik
