// "Sorvik - 进程列表": the running processes with their icon, description, image size, open ports,
// thread count, memory use and path, and below them the modules of the selected process. The
// user opens a file's folder, ends a process, uses the shell's menu on the file, sorts either list
// by any column and refreshes. The window owns itself and is freed when it is closed.
#pragma once

#include <windows.h>
// The list view types need the types of <windows.h>.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/ps_data.h"
#include "widgets/button_base.h"
#include "widgets/png_loader.h"
#include "widgets/window_base.h"

namespace sorvik {

constexpr int kProcessListId = 8888;
constexpr int kModuleListId = 9999;
constexpr int kOpenFolderButtonId = 100;
constexpr int kEndProcessButtonId = 200;
constexpr int kRefreshButtonId = 300;
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

// A button of the bar: an icon and a caption on the painted face.
class PsBarButton : public LButtonBase {
 public:
  explicit PsBarButton(int icon_id);
  ~PsBarButton() override;

 protected:
  void PaintFace(HDC dc, const RECT& rect, bool hot) override;

 private:
  HICON icon_;  // 16 x 16
};

// The bar across the top: the strip picture behind "打开文件夹", "结束进程" and "刷　　新";
// their clicks go on to the bar's parent as commands.
class PsButtonBar : public CWindowBase {
 public:
  PsButtonBar();
  bool CreateIn(HWND parent, const RECT& rect);

 protected:
  const char* ClassName() const override { return "SorvikPsButtonBar"; }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void Paint();
  PngLoader background_;
  std::vector<std::unique_ptr<PsBarButton>> buttons_;
};

// A report-view list whose header control it subclasses to draw the header items itself, with
// the sort column's direction mark.
class CPsListCtrl {
 public:
  CPsListCtrl() = default;
  ~CPsListCtrl();
  CPsListCtrl(const CPsListCtrl&) = delete;
  CPsListCtrl& operator=(const CPsListCtrl&) = delete;

  struct Column {
    const char* heading;
    int format;  // LVCFMT_LEFT or LVCFMT_RIGHT
    int width;
  };
  bool Create(HWND parent, int id, const std::vector<Column>& columns, HIMAGELIST images,
              HFONT header_font);
  HWND Handle() const { return hwnd_; }
  void SetSort(int column, bool ascending);
  int SortColumn() const { return sort_column_; }
  bool SortAscending() const { return ascending_; }
  // The selected row's item data, or -1.
  int SelectedData() const;

 private:
  static LRESULT CALLBACK HeaderProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void PaintHeader(HWND header);

  HWND hwnd_ = nullptr;
  HWND header_ = nullptr;
  WNDPROC header_previous_ = nullptr;
  HFONT header_font_ = nullptr;  // owned by the window
  int sort_column_ = -1;
  bool ascending_ = true;
};

class CPsListMainWnd {
 public:
  // Creates the window centred, fills it and shows it. `source` null uses the system's;
  // otherwise the caller keeps it while the window lives. Null when it cannot be created.
  static CPsListMainWnd* Open(HWND owner, ProcessSource* source = nullptr);

  HWND Handle() const { return hwnd_; }
  HWND ProcessList() const { return processes_.Handle(); }
  HWND ModuleList() const { return modules_.Handle(); }
  const std::vector<ProcessInfo>& Processes() const { return process_rows_; }
  const std::vector<ModuleInfo>& Modules() const { return module_rows_; }
  const CPsListCtrl& ProcessCtrl() const { return processes_; }

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
  ~CPsListMainWnd();
  CPsListMainWnd(const CPsListMainWnd&) = delete;
  CPsListMainWnd& operator=(const CPsListMainWnd&) = delete;

  bool Create(HWND owner);
  void CreateLists();
  void FillProcesses();
  void FillModules(int process_index);
  // After a selection change: fills the module list when it shows another process's modules
  // than the selection's.
  void FollowSelection();
  void SortList(CPsListCtrl* list, const SortState& sort);
  void SelectFirstProcess();
  void OnSize(int width, int height);
  void PaintBottom(HDC dc);
  bool OnNotify(const NMHDR* header);
  void ShowMenu(int list_id);
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  template <typename T>
  friend LRESULT FrameWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static int CALLBACK CompareProcessRows(LPARAM a, LPARAM b, LPARAM window);
  static int CALLBACK CompareModuleRows(LPARAM a, LPARAM b, LPARAM window);

  HWND hwnd_ = nullptr;
  std::unique_ptr<ProcessSource> own_source_;  // the system's, when the caller gives none
  ProcessSource* source_;
  PsButtonBar bar_;
  CPsListCtrl processes_;
  CPsListCtrl modules_;
  std::vector<ProcessInfo> process_rows_;
  std::vector<ModuleInfo> module_rows_;
  int64_t modules_of_ = -1;  // the process id whose modules are listed; -1 for none
  SortState process_sort_;
  SortState module_sort_;
  HFONT header_font_ = nullptr;
  HIMAGELIST images_ = nullptr;  // the system's small icons, shared
  PngLoader bottom_picture_;
  bool frees_itself_ = false;
};

}  // namespace sorvik
