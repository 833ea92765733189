// The search window: the keyword bar at the top, the filter panel on the left, the result list
// with the ad column on its right, the count and paging bar at the bottom. Every search of the
// window goes through RunSearch into its SearchSession, which also turns the pages; every menu,
// button and tray command arrives at OnCommand.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "favourites/favorite_store.h"
#include "query/search_request.h"
#include "sorvik_version.h"
#include "ui/results/basic_list_ctrl.h"
#include "ui/search/filter_panel.h"
#include "ui/search/search_bar.h"
#include "ui/search/search_session.h"
#include "ui/search/status_bar.h"
#include "ui/search/typing_search.h"
#include "ui/tray/tray_icon.h"
#include "update/notice_list.h"
#include "widgets/dialog_base.h"
#include "widgets/hint_wnd.h"
#include "widgets/html_dialog_base.h"
#include "widgets/shrink_control.h"

namespace sorvik {

class ConfigStore;
class IndexManager;
class SearchResult;

constexpr char kMainWindowTitle[] = "Sorvik-文件搜索专家V" SORVIK_VERSION_TEXT;
constexpr char kHelpPageUrl[] = "http://www.sorvik.invalid/help/";
constexpr char kFeedbackPageUrl[] = "http://www.sorvik.invalid/feedback/";
constexpr int kAdColumnExpanded = 195;     // width of the ad column while shown
constexpr int kAdColumnCollapsed = 17;     // and while folded away
constexpr int kFilterPanelMinWidth = 160;  // the splitter never makes the panel narrower
constexpr int kNotFoundWidth = 250;
constexpr int kNotFoundHeight = 90;
// The smallest client area's height; its width is the least the search bar needs.
constexpr int kMinClientHeight = 360;

// Where the window finds the index, the settings and the favourites; null means the program's
// own (IndexManager::Instance, ConfigStore::Instance).
struct MainWindowOptions {
  IndexManager* index = nullptr;
  ConfigStore* settings = nullptr;
  std::string favourites_folder = kFavoriteFolder;
};

// The ad column: a child dialog that shows the ad page of the resources.
class CAdcolumnDlg : public CHtmlDialogBase {
 public:
  CAdcolumnDlg();
};

class MainSearchDlg : public CDialogBase {
 public:
  explicit MainSearchDlg(const MainWindowOptions& options = MainWindowOptions());
  ~MainSearchDlg() override;

  // The one entry to searching: page 1 of the answer, handed to the list and the bottom bar,
  // with the not-found explanation when nothing matched. Null (and nothing changed) without an
  // index. The list holds the result; the pointer is for looking only.
  SearchResult* RunSearch(const std::string& keywords, const std::string& location, int category,
                          uint8_t hiddenOnly, int year, int month);
  // Searches the keyword box's words with the filter panel's selection: Enter in the box,
  // "搜索", a touch on the panel. Nothing until the panel is complete.
  void SearchWithFilters();
  // The search as you type: the keyword box's committed text changed. With the setting
  // "search_as_you_type" on, the box's words with the panel's selection are searched off the
  // window's thread; the answer comes back as kMsgTypingAnswer. Never waits for the index.
  void SearchAsYouType();
  // Whether a search as you type has been asked for and not yet shown (or made stale).
  bool TypingSearchPending() const { return typing_ != nullptr && typing_->Pending(); }
  // The search a new favourite saves: the session's filters with the keyword box's words.
  SearchRequest FavouriteRequest();
  // Turns to the page that page link `link` (kLinkFirst...) of the bottom bar leads to, as a
  // click on it does.
  void TurnPage(int link) { session_.GoTo(link); }
  const SearchRequest& CurrentRequest() const { return session_.Request(); }
  const SearchSession& Session() const { return session_; }

  // The drop-down of menu button `button_id` (kMenuButton...); the caller destroys it.
  HMENU BuildDropDown(int button_id);

  // The parts, for the windows and tests that work with them.
  SearchBar& Bar() { return bar_; }
  FilterPanel& Panel() { return panel_; }
  CBasicListCtrl& List() { return list_; }
  LStatusBar& StatusBar() { return status_bar_; }
  LHintWnd& NotFoundPanel() { return not_found_; }
  CShrinkControl& AdToggle() { return ad_toggle_; }
  CAdcolumnDlg& AdColumn() { return ad_column_; }
  int AdColumnWidth() const { return ad_column_width_; }
  int LayoutCount() const { return layout_count_; }
  bool MayShow() const { return may_show_; }
  // Shows the current search again after a new index was loaded: the same request and page
  // (the last one when the page is gone), selection cleared, sort and scroll kept. Does
  // nothing while the page shown is still current. Runs on kMsgIndexSwapped.
  void OnIndexSwapped();
  // Runs the current search again after the disk changed (live update), keeping the request,
  // the page (the last one when the page is gone), the sort and the scroll. Runs on
  // kMsgIndexLive.
  void OnIndexLive();
  CTrayIcon& Tray() { return tray_; }
  // Hands `notices` to the window on its own thread: posts them to `window` (a MainSearchDlg),
  // which shows them from its next notice timer on. False, with the list dropped, when the
  // window is gone. Any thread.
  static bool PostNotices(HWND window, SharedNotices notices);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;
  // Ends the process (exit command); tests replace it.
  virtual void EndProcess();
  // Opens a web address with the shell; tests replace it.
  virtual void OpenUrl(const std::string& url);
  // Shows a dialog modally over the window; tests replace it.
  virtual void RunDialog(CDialogBase* dialog);
  // Whether this start came from the logon Run value; tests replace it.
  virtual bool StartedByLogon() const;

 private:
  // Initialisation.
  void SetIcons();
  void CreateChildren(int cx, int cy);
  void CreateList(int cx, int cy);
  void PlaceAtStart();
  void FirstSearch();
  // Layout, splitter, painting.
  void Layout(int cx, int cy);
  void PlaceListAndAdColumn(int cx);
  void CentreNotFoundPanel();
  void RepaintAll();
  bool OnSplitterMessage(UINT message, LPARAM lparam);
  RECT SplitterRect() const;
  void LimitTrackingSize(MINMAXINFO* limits) const;
  void Paint();
  void PaintFrame(HDC dc, HWND child);
  // Searching.
  void ShowNotFound(const SearchRequest& request, int year, int month);
  void ShowOrHideNotFound(const SearchResult& result);
  std::string FitLinesAfterTheFirst(const std::string& text) const;
  void ListenForSwaps();
  void ReloadAfterSwap();
  SearchRequest WindowRequest(const std::string& keywords, const std::string& location,
                              int category, uint8_t hiddenOnly, int year, int month) const;
  void OnTypingAnswer(LPARAM posted);
  bool SortWholeAnswer(int32_t key, bool ascending);
  // Commands and menus.
  bool RunMenuCommand(int id);
  void ShowDropDown(int button_id, const RECT& bar_rect);
  void SearchShortcutFolder(int csidl, const char* sub_folder);
  void RunSearchShowingKeywords(const std::string& keywords, const std::string& location,
                                int category, uint8_t hiddenOnly, int year, int month);
  void RunFavourite(int number);
  void ToggleAdColumn();
  void ShowFromTray();
  // Tray icon and hot key (main_window_tray.cpp).
  void StartTray();
  void StopTray();
  bool OnTrayMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result);
  void ShowRunningInstance();
  void ExitProgram();
  void ShowNotice();
  void AdoptNotices(LPARAM holder);
  void DropPendingNotices();
  void ShowInfoTip(NMLVGETINFOTIPA* tip);

  IndexManager* index_;
  ConfigStore* settings_;
  std::string favourites_folder_;
  CShrinkControl ad_toggle_;  // child 1227
  HICON icon_ = nullptr;      // the application icon
  bool may_show_ = false;     // clear after a logon start: nothing shows the window
  bool dragging_ = false;     // the splitter is being dragged
  SearchBar bar_;
  LStatusBar status_bar_;
  FilterPanel panel_;
  int request_year_ = 0;  // the session's search's year and month as the tree gave them
  int request_month_ = 0;
  // With "sort_all_results" on: the order of the whole answer a column click chose, which new
  // searches keep (kSortNone: the index's order).
  int32_t whole_sort_key_ = kSortNone;
  bool whole_sort_ascending_ = false;
  // Set while a kMsgIndexLive is on its way, so that a burst of changes posts one message.
  std::shared_ptr<std::atomic<bool>> live_posted_ = std::make_shared<std::atomic<bool>>(false);
  CBasicListCtrl list_;                   // child 101
  SearchSession session_;                 // the search shown in the list and the bar, and its pages
  std::unique_ptr<TypingSearch> typing_;  // the searches as you type, from OnInit to WM_DESTROY
  TypingJob last_typing_job_;             // the latest of them, asked again after a live change
  LButtonBase guide_button_;              // "使用指南"
  LButtonBase reset_button_;              // "重置所有"
  LHintWnd not_found_;
  CAdcolumnDlg ad_column_;
  CTrayIcon tray_;            // icon 4 in the notification area
  UINT taskbar_created_ = 0;  // "TaskbarCreated": the shell restarted
  int last_cx_ = 0;           // the last client size laid out
  int last_cy_ = 0;
  int layout_count_ = 0;       // layouts done, for tests
  SharedNotices notices_;      // the notice lines shown in turn, as the online step sent them
  size_t notice_counter_ = 0;  // the next notice line
  int ad_column_width_ = kAdColumnExpanded;
};

}  // namespace sorvik
