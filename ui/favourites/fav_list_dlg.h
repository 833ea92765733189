// "整理收藏夹": the saved searches in a list, renamed in place, deleted, and put in order by
// drag and drop. The list is the only working copy; the file is written again when the dialog
// is closed with its close box, and left alone when Esc or Enter ends it.
#pragma once

#include <windows.h>
// The list view and image lists.
#include <commctrl.h>

#include <string>

#include "favourites/favorite_store.h"
#include "widgets/dialog_base.h"

namespace sorvik {

// The commands of the list's right-click menu.
constexpr int kCmdRenameFavourite = 6000;   // "修改标题"
constexpr int kCmdDeleteFavourites = 6001;  // "删除"
constexpr char kDeleteFavouritesQuestion[] = "是否要删除选定的项目吗？";
// A rewrite that did not reach the disk: the old file stays and the dialog stays open.
constexpr char kFavouritesNotSavedMessage[] =
    "无法写入收藏夹文件，修改没有保存，原来的收藏夹保持不变。";

class CFavListDlg : public CDialogBase {
 public:
  // Reads the favourites of `folder`; the dialog shows them in this order.
  explicit CFavListDlg(const std::string& folder = kFavoriteFolder);
  ~CFavListDlg() override;

  HWND List() const { return list_; }
  bool Dragging() const { return dragging_; }
  int DropTarget() const { return drop_; }

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;
  // Tracks the right-click menu at `screen`; its choice arrives as a command. Tests replace it.
  virtual void TrackItemMenu(HMENU menu, POINT screen);

 private:
  void FillList();
  void ShowItemMenu();
  bool EndLabelEdit(const NMLVDISPINFOA& edit);
  void DeleteSelected();
  // Drag and drop; the points are in the dialog's client coordinates.
  void BeginDrag(const NMLISTVIEW& start);
  void DragOver(POINT point);
  void Drop(POINT point);
  void EndDragImage();
  void MoveItems();
  void ClearDropHighlight(int item);
  // Closing with the close box: the file is written from the list; false when that failed.
  bool SaveList();

  std::string folder_;
  std::unique_ptr<FavoriteStore> store_;  // the favourites as read; item data indexes its list
  HWND list_ = nullptr;                   // the list control
  HIMAGELIST images_ = nullptr;           // the list's one small icon
  bool dragging_ = false;                 // between the begin of a drag and the button's release
  int drag_item_ = -1;                    // the item the drag began on
  int drop_ = -1;                         // the item under the cursor (-1: none)
  bool over_list_ = false;                // the cursor is over the list
  HIMAGELIST drag_images_ = nullptr;      // the picture that follows the cursor
};

}  // namespace sorvik
