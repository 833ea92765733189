// The location tree's control: a CTreeBase that shows the shell's folder hierarchy, starting with
// the children of the desktop, reads each folder's sub-folders on its first expansion and yields
// the file-system path of an item. The callers initialise COM on the thread.
#pragma once

#include <windows.h>
// The headers below need the types of <windows.h>.
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <string>

#include "ui/trees/tree_base.h"

namespace sorvik {

class CFolderTree : public CTreeBase {
 public:
  CFolderTree() = default;
  ~CFolderTree() override;

  // Whether a folder, by its file-system path, is kept out of the tree (the folders left out of
  // the index); applies to the folders read from then on. Null keeps every folder.
  void SetLeftOut(std::function<bool(const std::string& path)> left_out) {
    left_out_ = std::move(left_out);
  }

  // Inserts the folders among the desktop's children as root items and gives the tree the
  // shell's small system image list.
  void FillRoot();
  // Reads the sub-folders of `item` unless they were read before, then expands it. Works without
  // the parent passing on the expanding notification.
  void Expand(HTREEITEM item);
  // Deletes `item` and its descendants, freeing their records first, so that nothing is lost
  // when the parent does not pass on the deletion notifications.
  void DeleteItem(HTREEITEM item);
  // The file-system path (GBK) of `item`; false when it has none (virtual folders).
  bool PathOf(HTREEITEM item, std::string* path) const;
  bool SelectedPath(std::string* path) const;

  // Item expanding (children read once), item deletion (record freed), right click (selection,
  // then the shell context menu); then the drawing of CTreeBase.
  bool OnNotify(NMHDR* header, LRESULT* result) override;

 protected:
  // Shows the shell context menu of `item` at the screen point `screen` and runs the chosen
  // command.
  virtual void ShowContextMenu(HTREEITEM item, POINT screen);
  void OnDestroying() override;

 private:
  void OnExpanding(HTREEITEM item);
  void OnRightClick();
  // Inserts the folders among the children of `folder` (whose absolute identifier is
  // `folder_id`, null for the desktop) under `parent`, sorted in the folder's order.
  void ReadChildren(IShellFolder* folder, LPCITEMIDLIST folder_id, HTREEITEM parent);
  void FreeAllRecords();
  // Whether the child `relative` of `folder` is a file-system folder that left_out_ keeps out.
  bool LeftOut(IShellFolder* folder, LPCITEMIDLIST relative) const;

  std::function<bool(const std::string& path)> left_out_;  // folders not shown, null for none
};

}  // namespace sorvik
