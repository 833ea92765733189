// "收藏": asks for the title under which the window's current search is saved.
#pragma once

#include <windows.h>

#include <string>

#include "favourites/favorite_store.h"
#include "query/search_request.h"
#include "widgets/dialog_base.h"

namespace sorvik {

constexpr char kFavouritesMessageCaption[] = "提示";
constexpr char kEmptyTitleMessage[] = "标题不能为空！";
// A save that did not reach the disk; the old file is left as it was.
constexpr char kFavouriteNotAddedMessage[] = "无法写入收藏夹文件，这条收藏没有保存。";

class CFavNewDlg : public CDialogBase {
 public:
  // `title` receives the text of the title box when "添加" ends the dialog.
  explicit CFavNewDlg(std::string* title);
  ~CFavNewDlg() override;

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  void Paint();

  std::string* title_;    // the caller's title, filled on "添加"
  HICON icon_ = nullptr;  // the favourites icon painted beside the heading
  HFONT font_ = nullptr;  // the heading's font
};

// Runs "收藏" over `owner` and, on "添加", appends the title with `current` to the favourites
// of `folder` and saves them. A save that fails is reported in a message box and leaves the
// file as it was. True when a favourite was saved.
bool AddFavourite(HWND owner, const SearchRequest& current,
                  const std::string& folder = kFavoriteFolder);

}  // namespace sorvik
