// "系统个性设置": a check list of the desktop tweaks; "设　置" writes every listed option, tells
// the shell and closes the dialog.
#pragma once

#include <memory>
#include <vector>

#include "tools/desktop_option.h"
#include "widgets/dialog_base.h"

namespace sorvik {

constexpr char kTweaksDoneText[] = "恭喜您，设置成功！";
constexpr char kTweaksCaption[] = "提示";

class CDesktopTweaksDlg : public CDialogBase {
 public:
  // `registry`: the roots the options read and write (the system's by default).
  explicit CDesktopTweaksDlg(const DesktopRegistry& registry = DesktopRegistry());

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;
  // Tells the shell and every top-level window that the settings changed.
  virtual void NotifyShell();

 private:
  // "设　置": every listed option written from its row's check box.
  void ApplyAll();

  DesktopRegistry registry_;                             // where the options live
  std::vector<std::unique_ptr<DesktopOption>> options_;  // one per row, in row order
};

}  // namespace sorvik
