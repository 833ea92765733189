// Resource ids of the tray menu and the two options windows, shared by their resource script and
// the code.
#pragma once

#define IDM_TRAY 4  // the tray menu; its number is the tray icon's id

#define ID_TRAY_SHOW 32771  // "显示主界面"
#define ID_TRAY_EXIT 32772  // "退    出"

#define IDD_OPTIONS_INTERVAL 190  // "选项": the rebuild interval alone
#define IDD_SYSTEM_OPTIONS 200    // "系统选项": the general page and the index page

// "选项".
#define IDC_INTERVAL_GROUP 1047  // group box "索引更新频率"
#define IDC_INTERVAL_LABEL 1048  // "设置为："
// The drop-down of intervals is IDC_INDEX_FREQUENCY (1046), as on the index page.

// "系统选项".
#define IDC_OPTION_AUTORUN 1059             // "Windows启动时自动运行Sorvik"
#define IDC_OPTION_REMOVABLE 1060           // "对移动硬盘建立索引"
#define IDC_OPTION_DRAG_COPY 1061           // "启用拖动即复制功能"
#define IDC_OPTION_HOT_KEY 1062             // the hot-key box
#define IDC_OPTION_PAGES 1063               // the page tree
#define IDC_OPTION_KEY_GROUP 1065           // "系统热键"
#define IDC_OPTION_OTHER_GROUP 1066         // "其他"
#define IDC_OPTION_KEY_LABEL 1067           // "打开Sorvik"
#define IDC_OPTION_KEY_HINT 1068            // "（在左边输入热键）"
#define IDC_OPTION_PINYIN 1069              // "支持拼音首字母搜索"
#define IDC_OPTION_LIVE_UPDATE 1070         // "实时更新索引"
#define IDC_OPTION_SEARCH_AS_YOU_TYPE 1071  // "输入时即时搜索"
#define IDC_OPTION_SORT_ALL 1072            // "按列排序全部结果"

// The index page (IDD_INDEX_OPTION, in res/options.rc): the folders left out of the index.
#define IDC_INDEX_EXCLUDE_LABEL 1080    // "不索引的文件夹："
#define IDC_INDEX_EXCLUDE_PATTERN 1081  // the edit box of a pattern to add
#define IDC_INDEX_EXCLUDE_ADD 1082      // "添加"
#define IDC_INDEX_EXCLUDE_REMOVE 1083   // "删除"
#define IDC_INDEX_EXCLUDE_LIST 1084     // the list of patterns
