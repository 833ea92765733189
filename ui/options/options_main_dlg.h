// "选项" of the index menu: the rebuild interval alone, read from and written to the settings.
#pragma once

#include "widgets/dialog_base.h"

namespace sorvik {

class ConfigStore;

class COptionsMainDlg : public CDialogBase {
 public:
  // REQUIRES: `settings` outlives the dialog.
  explicit COptionsMainDlg(ConfigStore* settings);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;

 private:
  ConfigStore* settings_;  // the settings the dialog reads and writes
};

}  // namespace sorvik
