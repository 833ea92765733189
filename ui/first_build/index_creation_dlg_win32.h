// The first-build dialog: shown at start-up when ".\NIndex" holds no usable index. It tells the
// user, runs the build on a worker thread while an animation plays and the walker's progress
// texts are painted, renames the build folder to the live folder and ends with OK.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "lifecycle/build_index.h"
#include "widgets/dialog_base.h"

namespace sorvik {

class ConfigStore;

constexpr char kFirstBuildNotice[] =
    "没有发现可用的索引文件，因此在使用之前系统将帮您整理硬盘上的文件并建立索引，请耐心等待！";
constexpr char kFirstBuildNoticeCaption[] = "Sorvik - 温馨提示";
// A first build that was refused or failed says why instead of "索引建立完成！".
constexpr char kIndexNotBuiltCaption[] = "Sorvik - 索引没有建立";
constexpr char kIndexNotBuiltText[] = "索引没有建立，请检查要索引的驱动器后再试。\n原因：";

class CIndexCreationDlg : public CDialogBase {
 public:
  // Builds into `build.work` with the drives chosen by `settings`. REQUIRES: both outlive the
  // worker thread (the process-wide settings do).
  CIndexCreationDlg(ConfigStore* settings, const BuildOptions& build);
  ~CIndexCreationDlg() override;

  // Registers the window class "NINDEX_CREATION_DLG" and runs the dialog: IDOK when the index
  // is in place (or was already), IDCANCEL when the user pressed Esc.
  INT_PTR RunModal();
  const std::string& StatusText() const { return status_; }
  // Waits until the worker thread, if one was started, has finished. For tests: the program
  // itself never waits (after Esc the worker ends with the process).
  void WaitForWorker();

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;
  // A new status text arrived: keep it and repaint the text area.
  virtual void ShowStatus(const char* text);

 private:
  void StartWorker();
  void PlayAnimation();
  void Paint();

  ConfigStore* settings_;  // chooses the drives of the build
  BuildOptions build_;     // where the build goes
  std::string status_;     // the text painted in the text area
  HFONT font_ = nullptr;   // Arial 15 for the status text
  HBRUSH white_ = nullptr;
  std::shared_ptr<void> worker_done_;  // event set when the worker has finished
};

// Registers "NINDEX_CREATION_DLG" as a copy of the system dialog class. True when it exists.
bool RegisterIndexCreationClass();

}  // namespace sorvik
