// "系统选项": a page tree on the left switches between the general page (the hot key, starting
// with the logon, indexing removable drives, drag copy) and the index page. OK writes the
// general settings, applies the hot key and the Run value at once, then lets the index page
// save; the window stays open when that page refuses its input, or when the hot key is refused
// (then nothing is saved).
#pragma once

#include <windows.h>
// (the common controls need windows.h first)
#include <commctrl.h>

#include "ui/options/edit_hot_key.h"
#include "ui/options/index_option_dlg_win32.h"
#include "widgets/dialog_base.h"

namespace sorvik {

class ConfigStore;

constexpr char kGeneralPageText[] = "常　规";
constexpr char kIndexPageText[] = "索　引";
constexpr char kOptionsCaption[] = "提示";
constexpr char kHotKeyNeedsModifier[] = "热键必须含有Ctrl、Shift或Alt键，请重新输入！";
constexpr char kHotKeyTaken[] = "该热键已被其他程序占用，请换一个热键！";

class COptionMainWnd : public CDialogBase {
 public:
  // `search_window` holds the program's hot key, moved when OK changes it; null when there is
  // no search window. REQUIRES: `settings` outlives the window.
  explicit COptionMainWnd(ConfigStore* settings, HWND search_window = nullptr);
  ~COptionMainWnd() override;

  CEditHotKey& HotKeyBox() { return hot_key_; }
  CIndexOptionDlg& IndexPage() { return index_page_; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;

 private:
  void FillPageTree();
  void ReadCheckBoxes();
  void CreateIndexPage();
  void ShowPage(bool index_page);
  bool Save();
  // A changed hot key without a modifier, or one another program holds, is refused with a
  // message; the box then shows the stored one again.
  bool AcceptHotKey();
  bool ApplyHotKey(uint32_t value);
  LRESULT DrawPageItem(NMTVCUSTOMDRAW* draw);

  ConfigStore* settings_;            // the settings the window reads and writes
  HWND search_window_;               // holds the hot key, or null
  CEditHotKey hot_key_;              // control 1062
  CIndexOptionDlg index_page_;       // the child page of "索　引"
  HBITMAP selected_face_ = nullptr;  // behind the selected page item
  HFONT bold_font_ = nullptr;        // the selected item's text
  HFONT plain_font_ = nullptr;       // the other item's text
};

}  // namespace sorvik
