// The index page of the options window: the rebuild interval and the drives to index, read from
// and written to the settings.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/dialog_base.h"

namespace sorvik {

class ConfigStore;

constexpr char kNoDriveChosenText[] = "请至少选择一个硬盘！";
constexpr char kNoticeCaption[] = "提示";

class CIndexOptionDlg : public CDialogBase {
 public:
  // REQUIRES: `settings` outlives the page.
  explicit CIndexOptionDlg(ConfigStore* settings);

  // Writes the chosen interval, then the ticked drives; with no drive ticked it tells the user
  // and returns false (the interval is written all the same).
  bool Save();

 protected:
  BOOL OnInit() override;
  BOOL OnInitDialog();

 private:
  void FillDrives();
  void AddDrive(const std::string& name, int index, bool ticked);
  std::string TickedDrives();

  ConfigStore* settings_;  // the settings the page reads and writes
};

}  // namespace sorvik
