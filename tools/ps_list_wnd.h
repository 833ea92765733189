// "Sorvik - 进程列表": the running processes with their icon, description, image size, open ports,
// thread count, memory use and path, and below them the modules of the selected process. The
// user opens a file's folder, ends a process, uses the shell's menu on the file, sorts either list
// by any column and refreshes. The window holds the records of both lists and supplies their
// cells; it owns itself and is freed when it is closed.
#pragma once

#include <windows.h>
// The list view types need the types of <windows.h>.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/ps_button_bar.h"
#include "tools/ps_data.h"
#include "tools/ps_list_ctrl.h"
#include "widgets/frame_window.h"
#include "widgets/png_loader.h"

namespace sorvik {

constexpr int kProcessListId = 8888;
constexpr int kModuleListId = 9999;
constexpr UINT kPsMenuOpenFolder = 0xFFFF;
constexpr UINT kPsMenuEndProcess = 0x10000;
constexpr char kPsListTitle[] = "Sorvik - 进程列表";
constexpr char kPsListCaption[] = "提示";
constexpr char kPsEndFailed[] = "结束进程失败！";
constexpr int kProcessColumnCount = 7;
constexpr int kModuleColumnCount = 5;

// Where the parts of the window go in a client area of `width` x `height`.
struct PsListLayout {
  RECT bar;
  RECT processes;
  RECT modules;
  RECT picture;  // the bottom strip
};
PsListLayout LayoutPsList(int width, int height);

class CPsListMainWnd : public CFrameWindow {
 public:
  // Creates the window centred, fills it and shows it. `source` null uses the system's;
  // otherwise the caller keeps it while the window lives. Null when it cannot be created.
  static CPsListMainWnd* Open(HWND owner, ProcessSource* source = nullptr);

  HWND ProcessList() const { return processes_.Handle(); }
  HWND ModuleList() const { return modules_.Handle(); }
  const std::vector<ProcessInfo>& Processes() const { return process_rows_; }
  const std::vector<ModuleInfo>& Modules() const { return module_rows_; }
  const CPsListCtrl& ProcessCtrl() const { return processes_; }
  const CPsListCtrl& ModuleCtrl() const { return modules_; }

  // The commands of the bar and the menus.
  void Refresh();
  void OpenSelectedFolder();
  void EndSelectedProcess();
  // A column click in the list `id` (kProcessListId or kModuleListId).
  void SortByColumn(int id, int column);
  // Fills the module list for the selected process (empty when none is selected).
  void ShowSelectedModules();
  // Selects the row of process `id` and shows its modules; false when it is not listed.
  bool SelectProcess(uint32_t id);

 private:
  explicit CPsListMainWnd(ProcessSource* source);
  ~CPsListMainWnd() override;

  bool Create();
  void FillProcesses();
  void FillModules(int process_index);
  // After a selection change: fills the module list when it shows another process's modules
  // than the selection's.
  void FollowSelection();
  void SortList(CPsListCtrl* list, const SortState& sort);
  void SelectFirstProcess();
  void OnSize(int width, int height);
  void PaintBottom(HDC dc);
  bool OnNotify(const NMHDR* header, LRESULT* result);
  // LVN_GETDISPINFO: the text and icon of one cell of either list.
  void SupplyCell(int list_id, LVITEMA* item);
  int IconOf(const std::string& path, std::vector<int>* icons, int record);
  void ShowMenu(int list_id);
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  std::unique_ptr<ProcessSource> own_source_;  // the system's, when the caller gives none
  ProcessSource* source_;
  PsButtonBar bar_;
  CPsListCtrl processes_;
  CPsListCtrl modules_;
  std::vector<ProcessInfo> process_rows_;
  std::vector<ModuleInfo> module_rows_;
  std::vector<int> process_icons_;  // by record: the system image index, asked for when shown
  std::vector<int> module_icons_;
  int64_t modules_of_ = -1;  // the process id whose modules are listed; -1 for none
  SortState process_sort_;
  SortState module_sort_;
  HFONT header_font_ = nullptr;
  HIMAGELIST images_ = nullptr;  // the system's small icons, shared
  PngLoader bottom_picture_;
};

}  // namespace sorvik
