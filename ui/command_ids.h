// The command ids of the search window: its menus, buttons, tray menu and the messages other
// windows and threads send it.
#pragma once

#include <windows.h>

#include "res/resource_ids.h"

namespace sorvik {

// "索引" menu.
constexpr int kCmdIndexOptions = 6100;  // "选项"
constexpr int kCmdRefreshIndex = 6101;  // "更新索引"
// "收藏" menu.
constexpr int kCmdAddFavourite = 6000;        // "添加到收藏夹"
constexpr int kCmdOrganiseFavourites = 6001;  // "整理收藏夹"
constexpr int kCmdAdminTools = 6002;          // "管理工具"
constexpr int kCmdAccessories = 6003;         // "程序附件"
constexpr int kCmdFirstFavourite = 6501;      // one item per favourite, in stored order
constexpr int kCmdLastFavourite = 6599;
// "工具" menu.
constexpr int kCmdSystemOptions = 6301;  // "系统选项"
constexpr int kCmdProcessList = 6302;    // "进程列表"
constexpr int kCmdJunkCleaner = 6303;    // "清理文件"
constexpr int kCmdDesktopTweaks = 6304;  // "个性设置"
// "帮助" menu.
constexpr int kCmdAbout = 6200;     // "关于..."
constexpr int kCmdHelpPage = 6201;  // "在线帮助"
constexpr int kCmdFeedback = 6202;  // "问题反馈"
// Buttons of the window.
constexpr int kCmdQuickStart = 10000;  // "使用指南"
constexpr int kCmdResetAll = 10001;    // "重置所有"
constexpr int kCmdToggleAdColumn = 1227;
// Tray menu.
constexpr int kCmdShowWindow = 32771;  // "显示主界面"
constexpr int kCmdExit = 32772;        // "退    出"

// The search bar's menu buttons.
constexpr int kMenuButtonHelp = 3458;
constexpr int kMenuButtonIndex = 3456;
constexpr int kMenuButtonFavourites = 3457;
constexpr int kMenuButtonView = 3459;
constexpr int kMenuButtonTools = 3460;

// Messages.
constexpr UINT kMsgTrayCallback = WM_USER + 10;    // the notification area
constexpr UINT kMsgBuildNotice = WM_USER + 100;    // the index build's notice, ignored here
constexpr UINT kMsgKeywordEnter = WM_USER + 666;   // Enter in the keyword box
constexpr UINT kMsgMenuDropDown = WM_USER + 1216;  // a menu button: wParam id, lParam RECT*
constexpr UINT kMsgIndexSwapped = WM_USER + 1217;  // posted by the index thread after a swap
constexpr UINT kMsgShowRunning = WM_USER + 1218;   // a second start hands over: show the window
constexpr UINT kMsgIndexLive = WM_USER + 1219;     // posted by a watch thread: the disk changed
constexpr UINT kMsgNoticeList = WM_USER + 1220;    // posted by the online step: lParam notices
constexpr UINT kMsgTypingAnswer = WM_USER + 1221;  // a search as you type: lParam its answer
constexpr UINT kMsgImeCommitted = WM_USER + 1222;  // the keyword edit: a composition ended
// The property only the search window carries: a second start finds the window by it.
constexpr char kSearchWindowProperty[] = "SorvikSearchWindow";
constexpr UINT_PTR kNoticeTimer = 888;  // rotates the notice line
constexpr UINT kNoticePeriodMs = 10000;
constexpr int kHotKeyId = 999;
constexpr UINT kTrayIconId = 4;  // also the number of the tray menu resource

// Child ids of the window.
constexpr int kSearchBarId = 1300;
constexpr int kFilterPanelId = 1301;
constexpr int kStatusBarId = 1302;
constexpr int kNotFoundPanelId = 1303;
constexpr int kKeywordEditId = 700;
constexpr int kCategoryTreeId = 500;
constexpr int kHiddenSwitchId = 501;
constexpr int kLocationTreeId = 502;

}  // namespace sorvik
