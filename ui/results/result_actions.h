// ResultActions: what the user can do with the rows of the result list besides looking at them:
// open a file or view a picture, the context menu (the program's own items for one row, then the
// shell's for all selected rows), Delete, Ctrl+A, Ctrl+C and the drag out. Paths always come
// from the list's SearchResult (folder + "\" + name of the row's details).
#pragma once

#include <windows.h>
// The list view's notifications.
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/results/drag_source_win32.h"

namespace sorvik {

class CBasicListCtrl;
class ConfigStore;
class SearchResult;

// The ids of the program's own items of the result list's context menu (above the shell's
// 1..10000).
constexpr UINT kCmdOpenFolder = 0xFFFF;      // "打开所在的目录"
constexpr UINT kCmdPreviewPicture = 0xFFFE;  // "预览图片"
constexpr UINT kCmdRegister = 0x10000;       // "注册COM组件" / "注册控件"
constexpr UINT kCmdUnregister = 0x10001;     // "反注册COM组件" / "反注册控件"
constexpr UINT kCmdMd5 = 0x10002;            // "计算MD5值"

constexpr char kPictureExtensions[] = "|JPG|JPEG|BMP|GIF|PNG|TIF|TIFF|JFIF|ICO|";
constexpr char kDeleteQuestion[] = "是否要删除选中的文件？";
constexpr char kDeleteCaption[] = "删除提示";

// The tool windows the list opens: the MD5 dialog of a file and the picture viewer over the
// page (which takes its own reference to the result). Empty hooks show nothing.
struct ResultToolHooks {
  std::function<void(HWND owner, const std::string& path)> open_md5;
  std::function<void(HWND owner, SearchResult* result, int row)> open_viewer;
};

// The hooks of the program, which the search window gives its list.
ResultToolHooks ToolWindowHooks();

// The extension of the last name in `path`, dot included (".txt"); "" when it has none.
std::string ExtensionOf(const std::string& path);
// Whether `path`, a file, is a picture: its extension, upper-cased and without the dot, is one
// of kPictureExtensions.
bool IsPicturePath(const std::string& path);
// The parameters of regsvr32 for `path`: the path in quotes (it may hold blanks), after "/u "
// to unregister.
std::string RegisterParameters(const std::string& path, bool unregister);
// Appends the program's own items for one row showing `path` (`folder`: the row is a folder):
// "打开所在的目录" and a separator; for a file with an extension, "预览图片" for a picture, the
// two registration items and a separator for .dll and .ocx, and "计算MD5值". Makes "预览图片" the
// default item when present, else "打开所在的目录", and returns that item's position.
int AppendOwnItems(HMENU menu, const std::string& path, bool folder);

// How the actions reach the system; tests replace it to see what would have been started.
class ActionSystem {
 public:
  virtual ~ActionSystem() = default;
  // Runs the shell `verb` (null: the default verb) on `file` with `parameters` in `folder` (empty:
  // none), shown normally; returns the thread's last error afterwards.
  virtual DWORD ShellRun(HWND owner, const char* verb, const std::string& file,
                         const std::string& parameters, const std::string& folder);
  // A message box; the button chosen.
  virtual int Ask(HWND owner, const std::string& text, const char* caption, UINT flags);
  // Shows `popup` at the screen point `screen` with `owner` as owner; the chosen id or 0.
  virtual int TrackMenu(HMENU popup, HWND owner, POINT screen);
  // Starts the worker thread of a drag.
  virtual bool StartDrag(DragJob job);
};

class ResultActions {
 public:
  explicit ResultActions(CBasicListCtrl* list) : list_(list) {}
  ResultActions(const ResultActions&) = delete;
  ResultActions& operator=(const ResultActions&) = delete;

  void SetHooks(ResultToolHooks hooks) { hooks_ = std::move(hooks); }
  // Where "drag_copy" is read; null: the program's settings.
  void SetSettings(ConfigStore* settings) { settings_ = settings; }
  // Null: the real system.
  void SetSystem(ActionSystem* system) { system_ = system != nullptr ? system : &real_system_; }

  // The list's double-click, Enter, right-click, begin-drag and key notifications; true when
  // handled, with the result in *result.
  bool OnNotify(NMHDR* header, LRESULT* result);

  // Opens the focused row: the picture viewer for a picture, else the shell's "open", and the
  // default verb in the file's folder when no program is associated with it.
  void OpenFocused();
  void Open(int row);
  // The context menu at `client` (a point in the list) over the selected rows: the program's
  // items for one row (of several selected, the one under the cursor), a separator, then the
  // shell's items for all of them when they lie in one folder. The selection stays unless a
  // selected row's file is gone afterwards.
  void ShowContextMenu(POINT client);
  // Asks, then removes the selected rows' files (folders are not removed), then drops the rows.
  void DeleteSelected();
  // Unselects every selected row and removes from the page, recording each removal with the
  // index, those whose file no longer exists. A row whose file is still there, or whose
  // existence cannot be told, stays.
  void DropDeletedRows();
  void SelectAll();
  // Puts the selected rows' files on the clipboard as files to copy.
  void CopySelected();
  // Starts a drag of the selected rows' files unless "drag_copy" is other than "true".
  void BeginDrag();

  // The full paths of the selected rows, in list order; rows without a path are left out.
  std::vector<std::string> SelectedPaths();

 private:
  bool RowPath(int row, std::string* path, bool* folder = nullptr);
  std::vector<int> SelectedRows();
  HWND MainWindow() const;
  void RunOwnCommand(int id, int row, const std::string& path);
  int OwnItemsRow(const std::vector<int>& rows, POINT client) const;
  bool AnySelectedFileGone();
  void OnKeyDown(WORD key);

  CBasicListCtrl* list_;             // the list acted on
  ResultToolHooks hooks_;            // MD5 dialog and picture viewer
  ConfigStore* settings_ = nullptr;  // "drag_copy"; null: ConfigStore::Instance()
  ActionSystem real_system_;
  ActionSystem* system_ = &real_system_;  // real or a test's
};

}  // namespace sorvik
