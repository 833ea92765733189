// Resource ids shared by the resource script and the code.
#pragma once

// Dialog templates.
#define IDD_MAIN_SEARCH 102     // the search window
#define IDD_INDEX_CREATION 171  // the first-build dialog
#define IDD_INDEX_OPTION 201    // the index page of the options window
#define IDD_ABOUT 170           // "关于..."
#define IDD_AD_COLUMN 203       // the ad column, a child of the search window
#define IDD_QUICK_START 207     // the usage guide
#define IDD_JUNK_CLEANER 240    // "清理垃圾文件"
#define IDD_DESKTOP_TWEAKS 241  // "系统个性设置"

// The about box's controls.
#define IDC_ABOUT_PRODUCT 1101
#define IDC_ABOUT_VERSION 1102
#define IDC_ABOUT_BUILD 1103
#define IDC_ABOUT_TERMS 1104

// The junk-file cleaner's controls.
#define IDC_CLEAN_LIST 1000  // list view of the three places, with check boxes
#define IDC_CLEAN_NOW 1053   // "立即清理"

// The desktop tweaks' controls.
#define IDC_TWEAKS_LIST 1000  // list view of the options, with check boxes

// Menus.
#define IDM_VIEW_MODES 164  // sub-menu 0: the list's view modes
#define ID_VIEW_THUMBNAILS 32782
#define ID_VIEW_ICONS 32783
#define ID_VIEW_SMALL_ICONS 32784
#define ID_VIEW_LIST 32785
#define ID_VIEW_DETAILS 32786

// The first-build dialog's controls.
#define IDC_CREATION_TEXT 1043     // hidden static: the rectangle the status text is painted in
#define IDC_CREATION_ANIMATE 1044  // animation control
#define IDC_CREATION_HIDE 1045     // "完成后通知我"

// The index page's controls.
#define IDC_INDEX_FREQUENCY 1046  // drop-down list of the rebuild intervals
#define IDC_INDEX_DRIVES 1064     // list view of the drives, with check boxes

// The favourites dialogs ("收藏" and "整理收藏夹") and their controls.
#define IDD_FAV_NEW 242
#define IDD_FAV_LIST 243
#define IDC_FAV_TITLE 1001  // the title box of "收藏"
#define IDC_FAV_LIST 1000   // the organiser's list
#define IDB_DRAG_MANY 168   // the organiser's drag image for several favourites
#define IDB_DRAG_ONE 169    // and for one

// Icons, pictures, animation and pages.
#define IDI_APP 128             // the application icon
#define IDR_AVI_BUILDING 174    // first-build animation
#define IDR_PNG_SEARCH_BAR 175  // background of the top strip
#define IDR_PNG_STATUS_BAR 176  // background of the bottom bar
#define IDR_PNG_QUERY 202       // magnifier in the keyword box
#define IDR_PNG_SHRINK_COLLAPSED 204
#define IDR_PNG_SHRINK_EXPANDED 205
#define IDI_MENU_TOOLS 149       // the search bar's menu buttons
#define IDI_MENU_FAVOURITES 150
#define IDI_MENU_VIEW 151
#define IDI_MENU_HELP 165
#define IDI_MENU_INDEX 196
#define IDB_TREE_SELECTED 179    // behind the selected item of the filter trees
#define IDB_CATEGORY_IMAGES 182  // the category tree's images, 15 x 15 each
#define IDB_SWITCH_IMAGES 183    // the hidden-only switch, off and on, 14 x 14 each
#define IDR_HTML_AD_COLUMN 103  // the ad column's page
#define IDR_HTML_GUIDE 104      // the usage guide
#define IDR_HTML_OFFLINE 206    // the ad column's page when there is no connection

// The process list's bar buttons.
#define IDI_PS_OPEN_FOLDER 155  // "打开文件夹"
#define IDI_PS_REFRESH 194      // "刷　　新"
#define IDI_PS_END_PROCESS 195  // "结束进程"

// The MD5 dialog.
#define IDD_MD5_CHECKSUM 226
#define IDC_MD5_TEXT 1052  // the digest, selectable for copying

// The picture viewer.
#define IDI_PHOTO_VIEWER 160           // the frame's icon
#define IDR_PNG_VIEWER_PREVIOUS 187    // button sprites: four states side by side
#define IDR_PNG_VIEWER_NEXT 188
#define IDR_PNG_VIEWER_SLIDE_SHOW 189
