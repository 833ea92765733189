// The search window's commands: the menus of the search bar, the buttons, the tray commands and
// the favourites, and the messages other parts of the program send the window.
#include <windows.h>
// (the shell's headers need windows.h first)
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "favourites/favorite_store.h"
#include "lifecycle/index_manager.h"
#include "query/search_result.h"
#include "res/resource_ids.h"
#include "tools/desktop_tweaks_dlg.h"
#include "tools/junk_cleaner_dlg.h"
#include "tools/ps_list_wnd.h"
#include "ui/command_ids.h"
#include "ui/options/option_main_wnd.h"
#include "ui/options/options_main_dlg.h"
#include "ui/results/result_actions.h"
#include "ui/search/about_dlg.h"
#include "ui/search/main_search_dlg.h"
#include "ui/search/menu_text.h"
#include "ui/search/menu_windows.h"

namespace sorvik {
namespace {

// The usage guide: an HTML page of the resources in a dialog of its own.
class CQuickStartDlg : public CHtmlDialogBase {
 public:
  CQuickStartDlg() : CHtmlDialogBase(IDD_QUICK_START, IDR_HTML_GUIDE) {}
};

void AppendItem(HMENU menu, int id, const char* caption, UINT flags = 0) {
  AppendMenuA(menu, MF_STRING | flags, static_cast<UINT_PTR>(id), caption);
}

// The view menu's commands and the list's view modes they choose.
struct ViewCommand {
  int command;
  int mode;
};
constexpr ViewCommand kViewCommands[] = {
    {ID_VIEW_THUMBNAILS, kViewThumbnails},  {ID_VIEW_ICONS, kViewIcons},
    {ID_VIEW_SMALL_ICONS, kViewSmallIcons}, {ID_VIEW_LIST, kViewList},
    {ID_VIEW_DETAILS, kViewDetails},
};

int ViewModeCommand(int mode) {
  for (const ViewCommand& view : kViewCommands)
    if (view.mode == mode) return view.command;
  return 0;
}

int ViewModeOfCommand(int command) {
  for (const ViewCommand& view : kViewCommands)
    if (view.command == command) return view.mode;
  return -1;
}

// The "视图" sub-menu of the menu resource, taken out of it so that it can be tracked alone.
HMENU LoadViewMenu() {
  HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_VIEW_MODES));
  if (bar == nullptr) return nullptr;
  HMENU popup = GetSubMenu(bar, 0);
  RemoveMenu(bar, 0, MF_BYPOSITION);
  DestroyMenu(bar);
  return popup;
}

}  // namespace

HMENU MainSearchDlg::BuildDropDown(int button_id) {
  if (button_id == kMenuButtonView) {
    HMENU menu = LoadViewMenu();
    if (menu != nullptr)
      CheckMenuItem(menu, static_cast<UINT>(ViewModeCommand(list_.GetViewMode())),
                    MF_BYCOMMAND | MF_CHECKED);
    return menu;
  }
  HMENU menu = CreatePopupMenu();
  switch (button_id) {
    case kMenuButtonIndex: {
      AppendItem(menu, kCmdIndexOptions, "选项");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      const bool refreshing = index_ != nullptr && index_->IsRefreshing();
      AppendItem(menu, kCmdRefreshIndex, refreshing ? "更新索引(正在更新...)" : "更新索引",
                 refreshing ? MF_GRAYED | MF_DISABLED : 0);
      break;
    }
    case kMenuButtonFavourites: {
      AppendItem(menu, kCmdAddFavourite, "添加到收藏夹");
      AppendItem(menu, kCmdOrganiseFavourites, "整理收藏夹");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendItem(menu, kCmdAdminTools, "管理工具");
      AppendItem(menu, kCmdAccessories, "程序附件");
      auto favourites = FavoriteStore::Open(favourites_folder_);
      if (favourites->Count() > 0) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      // Every favourite is listed; those past the last id share one that runs nothing (their
      // own ids would run into other commands).
      for (size_t i = 0; i < favourites->Count(); ++i)
        AppendItem(menu, std::min(kCmdFirstFavourite + static_cast<int>(i), kCmdLastFavourite + 1),
                   MenuTitle(favourites->Item(i).title).c_str());
      break;
    }
    case kMenuButtonTools:
      AppendItem(menu, kCmdSystemOptions, "系统选项");
      AppendItem(menu, kCmdProcessList, "进程列表");
      AppendItem(menu, kCmdJunkCleaner, "清理文件");
      AppendItem(menu, kCmdDesktopTweaks, "个性设置");
      break;
    case kMenuButtonHelp:
      AppendItem(menu, kCmdAbout, "关于...");
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      AppendItem(menu, kCmdHelpPage, "在线帮助");
      AppendItem(menu, kCmdFeedback, "问题反馈");
      break;
    default:
      DestroyMenu(menu);
      return nullptr;
  }
  return menu;
}

void MainSearchDlg::ShowDropDown(int button_id, const RECT& bar_rect) {
  HMENU menu = BuildDropDown(button_id);
  if (menu == nullptr) return;
  RECT rect = bar_rect;
  MapWindowPoints(bar_.Handle(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
  TPMPARAMS keep_clear = {};
  keep_clear.cbSize = sizeof keep_clear;
  keep_clear.rcExclude = rect;
  TrackPopupMenuEx(menu, TPM_VERTICAL | TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom,
                   Handle(), &keep_clear);
  DestroyMenu(menu);
}

bool MainSearchDlg::OnCommand(int id, int code, HWND control) {
  (void)code;
  (void)control;
  if (id == IDOK && GetFocus() == list_.Handle()) list_.Actions().OpenFocused();  // Enter
  if (id == IDOK || id == IDCANCEL) return true;  // Enter and Esc do not end the window
  if (id >= kCmdFirstFavourite && id <= kCmdLastFavourite) {
    RunFavourite(id - kCmdFirstFavourite + 1);
    return true;
  }
  const int mode = ViewModeOfCommand(id);
  if (mode >= 0) {
    list_.SetViewMode(mode);
    return true;
  }
  return RunMenuCommand(id);
}

bool MainSearchDlg::RunMenuCommand(int id) {
  switch (id) {
    case kCmdRefreshIndex:
      index_->RequestRefresh();
      return true;
    case kCmdAdminTools:
      SearchShortcutFolder(CSIDL_COMMON_ADMINTOOLS, nullptr);
      return true;
    case kCmdAccessories:
      SearchShortcutFolder(CSIDL_COMMON_PROGRAMS, "附件");
      return true;
    case kCmdAbout: {
      CAboutDlg about;
      RunDialog(&about);
      return true;
    }
    case kCmdHelpPage:
      OpenUrl(kHelpPageUrl);
      return true;
    case kCmdFeedback:
      OpenUrl(kFeedbackPageUrl);
      return true;
    case kCmdQuickStart: {
      CQuickStartDlg guide;
      RunDialog(&guide);
      return true;
    }
    case kCmdResetAll:
      // Each tree's new selection searches with the old keywords still in the box; the last
      // search, with the box empty, is the one that stays on screen.
      panel_.Reset();
      bar_.KeywordBox().SetText("");
      bar_.KeywordBox().Focus();
      SearchWithFilters();
      return true;
    case kCmdJunkCleaner: {
      CJunkCleanerDlg cleaner;
      RunDialog(&cleaner);
      return true;
    }
    case kCmdProcessList:
      // A window of its own beside the search window; it frees itself when closed.
      CPsListMainWnd::Open(Handle());
      return true;
    case kCmdDesktopTweaks: {
      CDesktopTweaksDlg tweaks;
      RunDialog(&tweaks);
      return true;
    }
    case kCmdToggleAdColumn:
      ToggleAdColumn();
      return true;
    case kCmdShowWindow:
      ShowFromTray();
      return true;
    case kCmdExit:
      ExitProgram();
      return true;
    case kCmdIndexOptions: {
      COptionsMainDlg options(settings_);
      RunDialog(&options);
      return true;
    }
    case kCmdSystemOptions: {
      COptionMainWnd options(settings_, Handle());
      RunDialog(&options);
      // Other drives or other left-out folders: the index in place no longer matches them.
      if (options.IndexPage().IndexChoiceChanged()) {
        index_->RequestRefresh();
        panel_.RefillLocations();
      }
      return true;
    }
    case kCmdAddFavourite:
    case kCmdOrganiseFavourites:
      OpenMenuWindow(id, Handle(), FavouriteRequest(), favourites_folder_);
      return true;
    default:
      return false;
  }
}

void MainSearchDlg::SearchShortcutFolder(int csidl, const char* sub_folder) {
  char path[MAX_PATH] = {0};
  if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || !path[0])
    return;
  std::string location = path;
  if (sub_folder != nullptr) location += std::string("\\") + sub_folder;
  list_.SetViewMode(kViewIcons);
  RunSearchShowingKeywords(".lnk", location, kCategoryAll, 0, 0, 0);
}

// A search that does not come from the box: the box then shows its keywords, so that what it
// says is what the list holds and a later category click searches the same words.
void MainSearchDlg::RunSearchShowingKeywords(const std::string& keywords,
                                             const std::string& location, int category,
                                             uint8_t hiddenOnly, int year, int month) {
  if (RunSearch(keywords, location, category, hiddenOnly, year, month) == nullptr) return;
  bar_.KeywordBox().SetText(keywords);
  bar_.KeywordBox().ClearSelection();
}

void MainSearchDlg::RunFavourite(int number) {
  auto favourites = FavoriteStore::Open(favourites_folder_);
  if (number < 1 || static_cast<size_t>(number) > favourites->Count()) return;
  const SearchRequest& saved = favourites->Item(static_cast<size_t>(number - 1)).request;
  int year = 0;
  int month = 0;
  if (saved.monthFrom != 0) {
    year = (saved.monthFrom >> 8) + 1900;
    month = saved.monthFrom & 0xFF;
  }
  RunSearchShowingKeywords(saved.keywords, saved.location, saved.category, saved.hiddenOnly, year,
                           month);
}

void MainSearchDlg::ToggleAdColumn() {
  const bool expanded = ad_toggle_.Expanded();
  ad_column_width_ = expanded ? kAdColumnCollapsed : kAdColumnExpanded;
  ShowWindow(ad_column_.Handle(), expanded ? SW_HIDE : SW_SHOW);
  ad_toggle_.SetExpanded(!expanded);
  RECT client;
  GetClientRect(Handle(), &client);
  PlaceListAndAdColumn(client.right);
  RepaintAll();
}

void MainSearchDlg::ShowFromTray() {
  may_show_ = true;
  ShowWindow(Handle(), SW_RESTORE);
  SetForegroundWindow(Handle());
  bar_.KeywordBox().Focus();
}

void MainSearchDlg::ExitProgram() {
  list_.ReleaseItems();
  StopTray();
  EndProcess();
}

void MainSearchDlg::EndProcess() { ExitProcess(0); }

void MainSearchDlg::OpenUrl(const std::string& url) {
  ShellExecuteA(Handle(), "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainSearchDlg::RunDialog(CDialogBase* dialog) { dialog->RunModal(Handle()); }

void MainSearchDlg::OnTimer(UINT_PTR id) {
  (void)id;  // every timer of the window turns the notice line
  ShowNotice();
}

// The list travels in a holder of its own: the message carries one reference to it, which the
// window adopts, or which is dropped here when the post fails.
bool MainSearchDlg::PostNotices(HWND window, SharedNotices notices) {
  auto holder = std::make_unique<SharedNotices>(std::move(notices));
  if (window == nullptr ||
      !PostMessageA(window, kMsgNoticeList, 0, reinterpret_cast<LPARAM>(holder.get())))
    return false;
  holder.release();  // the window's now
  return true;
}

void MainSearchDlg::AdoptNotices(LPARAM holder) {
  std::unique_ptr<SharedNotices> notices(reinterpret_cast<SharedNotices*>(holder));
  if (notices != nullptr) notices_ = std::move(*notices);
}

// Lists posted but not yet read would be lost with the window: they are read and dropped.
void MainSearchDlg::DropPendingNotices() {
  MSG message;
  while (PeekMessageA(&message, Handle(), kMsgNoticeList, kMsgNoticeList, PM_REMOVE))
    delete reinterpret_cast<SharedNotices*>(message.lParam);
}

void MainSearchDlg::ShowNotice() {
  if (notices_ == nullptr || notices_->empty()) return;
  if (notice_counter_ >= notices_->size()) notice_counter_ = 0;
  std::vector<std::string> fields(3);
  const std::string& line = (*notices_)[notice_counter_];
  size_t field = 0;
  for (char c : line) {
    if (c == '\t') {
      if (++field >= fields.size()) fields.emplace_back();
    } else {
      fields[field] += c;
    }
  }
  status_bar_.SetNotice(fields[0], fields[1], fields[2]);
  ++notice_counter_;
}

bool MainSearchDlg::OnNotify(NMHDR* header, LRESULT* result) {
  if (static_cast<int>(header->idFrom) != kResultListId) return false;
  if (header->code == LVN_GETINFOTIPA) {
    ShowInfoTip(reinterpret_cast<NMLVGETINFOTIPA*>(header));
    *result = 0;
    return true;
  }
  return list_.OnNotify(header, result);
}

void MainSearchDlg::ShowInfoTip(NMLVGETINFOTIPA* tip) {
  if (tip->pszText == nullptr || tip->cchTextMax <= 0) return;
  CopyTipText(list_.InfoTipText(tip->iItem), tip->pszText, tip->cchTextMax);
}

}  // namespace sorvik
