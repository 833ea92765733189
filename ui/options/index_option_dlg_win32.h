// The index page of the options window: the rebuild interval, the drives to index and the
// folders left out of the index, read from and written to the settings.
#pragma once

#include <windows.h>

#include <string>

#include "ui/edit_base.h"
#include "widgets/dialog_base.h"

namespace sorvik {

class ConfigStore;

constexpr char kNoDriveChosenText[] = "请至少选择一个硬盘！";
constexpr char kNoticeCaption[] = "提示";
constexpr char kBadExcludeText[] =
    "请输入一个文件夹名（可用通配符 * 和 ?，如 node_modules、*.cache）"
    "或以盘符开头的完整路径（如 D:\\Backup）。";

class CIndexOptionDlg : public CDialogBase {
 public:
  // REQUIRES: `settings` outlives the page.
  explicit CIndexOptionDlg(ConfigStore* settings);

  // Writes the chosen interval, then the ticked drives and the left-out folders; with no drive
  // ticked it tells the user and returns false (the interval is written all the same).
  bool Save();
  // Whether the last Save changed the drives or the left-out folders: the index then no longer
  // matches the settings and wants a rebuild.
  bool IndexChoiceChanged() const { return index_choice_changed_; }

 protected:
  BOOL OnInit() override;
  BOOL OnInitDialog();
  bool OnCommand(int id, int code, HWND control) override;
  // Return in the pattern box adds the pattern, as "添加" does, instead of closing the window.
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  void FillDrives();
  void AddDrive(const std::string& name, int index, bool ticked);
  std::string TickedDrives();
  void FillExcludeList();
  // Adds the pattern of the edit box to the list (refused with a message when it cannot be
  // kept, skipped when the list holds it already), or removes the selected one.
  void AddPattern();
  void RemovePattern();
  std::string ListedPatterns();

  ConfigStore* settings_;              // the settings the page reads and writes
  CEditBase pattern_box_;              // the box of a pattern to add, which keeps its Return
  bool index_choice_changed_ = false;  // the last Save changed drives or left-out folders
};

}  // namespace sorvik
