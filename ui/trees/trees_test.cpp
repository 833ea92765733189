#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "index/folder_exclusion.h"
#include "platform/drives.h"
#include "testing/test_util.h"
#include "testing/tree_test_support.h"
#include "ui/trees/folder_item.h"
#include "ui/trees/location_tree.h"
#include "widgets/window_base.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::ButtonOf;
using testing::LeftClick;

constexpr int kTreeId = 502;

TEST(LocationLabels, ComputerNamesDriveRootsAndReversal) {
  {
    // Every language's name of the computer, ASCII letters in any case; nothing else.
    for (const char* name : {"我的电脑", "My Computer", "我的電腦", "Computer", "计算机", "計算機",
                             "my computer", "COMPUTER"})
      EXPECT_TRUE(IsComputerLabel(name)) << name;
    for (const char* name : {"", "Computers", "我的电脑 ", "我的文档", "Network", "网上邻居"})
      EXPECT_FALSE(IsComputerLabel(name)) << name;
  }
  {
    // A drive root has its only backslash as the third byte; the rule looks only at the
    // backslashes, so a folder right under a root passes too.
    for (const char* path : {"C:\\", "X:\\", "C:\\Windows"})
      EXPECT_TRUE(IsDriveRootPath(path)) << path;
    for (const char* path : {"", "C:", "C:\\Windows\\", "C:\\users\\root\\Documents\\",
                             "\\\\server\\share", "\\C:", "Desktop"})
      EXPECT_FALSE(IsDriveRootPath(path)) << path;
  }
  {
    // Drive roots are stored reversed and drawn the right way round; other texts stay.
    EXPECT_EQ(LocationLabel("C:\\"), "\\:C");
    EXPECT_EQ(DrawnLabel("\\:C"), "C:\\");
    for (const char* path : {"C:\\", "X:\\"}) EXPECT_EQ(DrawnLabel(LocationLabel(path)), path);
    for (const char* text : {"", "C:\\Windows", "我的电脑", ":\\C", "\\"}) {
      EXPECT_EQ(LocationLabel(text), text);
      EXPECT_EQ(DrawnLabel(text), text);
    }
  }
  {
    // Display names are cut to fit without splitting a double-byte character.
    const std::string name = std::string("ab") + "我";
    EXPECT_EQ(CutMultibyte(name, 3), "ab");
    EXPECT_EQ(CutMultibyte(name, 4), name);
    EXPECT_EQ(CutMultibyte(std::string(300, 'a'), MAX_PATH - 1).size(), MAX_PATH - 1u);
  }
}

// A hidden top-level window that passes its tree's notifications on, as the filter panel does,
// and records what the tree sends it.
class Holder {
 public:
  Holder() {
    hwnd = testing::CreateHolderWindow("SorvikTreeTestHolder", Proc, 400, 700);
    current_ = this;
  }
  ~Holder() {
    DestroyWindow(hwnd);
    current_ = nullptr;
  }

  HWND hwnd;
  CTreeBase* tree = nullptr;          // the tree whose notifications are passed on
  std::vector<WPARAM> measured;       // wParam of each kMsgTreeMeasured
  std::vector<HTREEITEM> selections;  // the new item of each selection change
  int wheel_turns = 0;                // WM_MOUSEWHEEL messages received

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Holder* self = current_;
    if (self != nullptr && message == WM_NOTIFY && self->tree != nullptr) {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->code == TVN_SELCHANGEDA)
        self->selections.push_back(reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
      LRESULT result = 0;
      if (self->tree->OnNotify(header, &result)) return result;
    }
    if (self != nullptr && message == kMsgTreeMeasured) self->measured.push_back(wparam);
    if (self != nullptr && message == WM_MOUSEWHEEL) ++self->wheel_turns;
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  static inline Holder* current_ = nullptr;
};

// A folder tree whose context menu only records the item and the selection at that moment.
class RecordingTree : public CFolderTree {
 public:
  std::vector<HTREEITEM> menu_items;      // the item of each menu shown
  std::vector<HTREEITEM> menu_selection;  // the selected item when each menu was shown

 protected:
  void ShowContextMenu(HTREEITEM item, POINT) override {
    menu_items.push_back(item);
    menu_selection.push_back(TreeView_GetSelection(Handle()));
  }
};

std::vector<HTREEITEM> Children(HWND tree, HTREEITEM parent) {
  std::vector<HTREEITEM> items;
  HTREEITEM item = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
  for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) items.push_back(item);
  return items;
}

std::vector<std::string> Texts(HWND tree, HTREEITEM parent) {
  std::vector<std::string> texts;
  for (HTREEITEM item : Children(tree, parent)) texts.push_back(TreeItemText(tree, item));
  return texts;
}

// A right click at `point` of `tree`, with the pointer there: the button's release is queued
// first, so that the control's wait for it ends at once.
void RightClick(HWND tree, POINT point) {
  POINT screen = point;
  ClientToScreen(tree, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageA(tree, WM_RBUTTONUP, 0, MAKELPARAM(point.x, point.y));
  SendMessageA(tree, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(point.x, point.y));
}

LPARAM PointOf(const RECT& rect) {
  return MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// Drive X: is a temporary folder with folders and files; the location tree is filled from the
// real shell with the tree inside a holder window.
class LocationTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    for (const char* name : {"delta", "Alpha", "charlie", "Bravo", "echo", "中文夹"})
      ASSERT_TRUE(CreateDirectoryA(folder_.Join(name).c_str(), nullptr)) << name;
    ASSERT_TRUE(CreateDirectoryA(folder_.Join("delta\\inner").c_str(), nullptr));
    for (const char* name : {"aaa.txt", "Zed.doc", "中文.txt"})
      testing::WriteText(folder_.Join(name), "text");
    ASSERT_TRUE(MapTestDrive('X', folder_.Path(), kDriveFixed));
    ASSERT_TRUE(tree_.Create(holder_.hwnd, RECT{0, 0, 300, 600}, kTreeId));
    holder_.tree = &tree_;
    FillLocationTree(&tree_);
    HWND handle = tree_.Handle();
    std::vector<HTREEITEM> roots = Children(handle, TVI_ROOT);
    ASSERT_EQ(roots.size(), 1u);
    computer_ = roots[0];
    for (HTREEITEM drive : Children(handle, computer_))
      if (TreeItemText(handle, drive) == "\\:X") drive_x_ = drive;
    ASSERT_NE(drive_x_, nullptr);
  }
  void TearDown() override {
    holder_.tree = nullptr;
    DestroyWindow(tree_.Handle());
    UnmapTestDrive('X');
    CoUninitialize();
  }

  testing::TestDriveLock lock_;
  testing::TempFolder folder_;
  Holder holder_;
  RecordingTree tree_;
  HTREEITEM computer_ = nullptr;
  HTREEITEM drive_x_ = nullptr;
};

TEST_F(LocationTreeTest, OnlyTheComputerWithItsDriveRoots) {
  HWND handle = tree_.Handle();
  std::string path;
  {
    // The one root is the computer, expanded, without a path of its own: selecting it searches
    // everywhere.
    EXPECT_TRUE(IsComputerLabel(TreeItemText(handle, computer_)));
    EXPECT_TRUE(TreeView_GetItemState(handle, computer_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_FALSE(tree_.PathOf(computer_, &path));
    TreeView_SelectItem(handle, computer_);
    EXPECT_FALSE(tree_.SelectedPath(&path));
  }
  {
    // Each kept child is a drive root labelled with its reversed path.
    for (HTREEITEM drive : Children(handle, computer_)) {
      ASSERT_TRUE(tree_.PathOf(drive, &path));
      EXPECT_TRUE(IsDriveRootPath(path)) << path;
      EXPECT_EQ(TreeItemText(handle, drive), LocationLabel(path));
    }
    ASSERT_TRUE(tree_.PathOf(drive_x_, &path));
    EXPECT_EQ(path, "X:\\");
    TreeView_SelectItem(handle, drive_x_);
    ASSERT_TRUE(tree_.SelectedPath(&path));
    EXPECT_EQ(path, "X:\\");
  }
}

TEST_F(LocationTreeTest, ADriveShowsItsFoldersSortedAndIsReadOnce) {
  HWND handle = tree_.Handle();
  const std::vector<std::string> folders = {"Alpha", "Bravo", "charlie", "delta", "echo", "中文夹"};
  {
    // Expanding through the control reads the folders, in the shell's order, never the files.
    TreeView_Expand(handle, drive_x_, TVE_EXPAND);
    EXPECT_EQ(Texts(handle, drive_x_), folders);
    std::string path;
    HTREEITEM delta = Children(handle, drive_x_)[3];
    ASSERT_TRUE(tree_.PathOf(delta, &path));
    EXPECT_EQ(path, "X:\\delta");
  }
  {
    // The sort order is the shell's: the comparison of two records keeps the sign the shell
    // gives (the enumeration here may already come sorted).
    const std::vector<HTREEITEM> items = Children(handle, drive_x_);
    auto record = [&](int index) {
      TVITEMA query = {};
      query.mask = TVIF_PARAM;
      query.hItem = items[index];
      TreeView_GetItem(handle, &query);
      return query.lParam;
    };
    auto compare = [&](int one, int other) {
      return CompareFolderItems(record(one), record(other), 0);
    };
    EXPECT_LT(compare(0, 1), 0);
    EXPECT_GT(compare(1, 0), 0);
    EXPECT_EQ(compare(0, 0), 0);
  }
  {
    // A folder removed on disk stays after the drive is collapsed and expanded again by the
    // user (the keyboard, which always notifies): the folder is not read a second time.
    ASSERT_TRUE(RemoveDirectoryA(folder_.Join("echo").c_str()));
    TreeView_SelectItem(handle, drive_x_);
    SendMessageA(handle, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_FALSE(TreeView_GetItemState(handle, drive_x_, TVIS_EXPANDED) & TVIS_EXPANDED);
    SendMessageA(handle, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_TRUE(TreeView_GetItemState(handle, drive_x_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(Texts(handle, drive_x_), folders);
  }
}

TEST_F(LocationTreeTest, LeftOutFoldersAreNotShown) {
  // Left out: one folder by its full path, one by its name in another case; the folder that
  // the full path names only where it stands.
  const FolderExclusion left_out({"x:\\DELTA", "bravo"});
  tree_.SetLeftOut([&](const std::string& path) { return left_out.LeavesOut(path); });
  FillLocationTree(&tree_);
  HWND handle = tree_.Handle();
  HTREEITEM drive_x = nullptr;
  for (HTREEITEM computer : Children(handle, TVI_ROOT)) {
    for (HTREEITEM drive : Children(handle, computer))
      if (TreeItemText(handle, drive) == "\\:X") drive_x = drive;
  }
  ASSERT_NE(drive_x, nullptr);
  TreeView_Expand(handle, drive_x, TVE_EXPAND);
  EXPECT_EQ(Texts(handle, drive_x),
            (std::vector<std::string>{"Alpha", "charlie", "echo", "中文夹"}));
  // Below a shown folder the same rules hold: "Alpha\BRAVO" goes, "Alpha\delta" stays.
  ASSERT_TRUE(CreateDirectoryA(folder_.Join("Alpha\\BRAVO").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(folder_.Join("Alpha\\delta").c_str(), nullptr));
  HTREEITEM alpha = Children(handle, drive_x)[0];
  TreeView_Expand(handle, alpha, TVE_EXPAND);
  EXPECT_EQ(Texts(handle, alpha), std::vector<std::string>{"delta"});
}

TEST_F(LocationTreeTest, RightClickSelectsTheItemBeforeItsMenu) {
  HWND handle = tree_.Handle();
  TreeView_SelectItem(handle, computer_);
  holder_.selections.clear();
  RECT label;
  ASSERT_TRUE(TreeView_GetItemRect(handle, drive_x_, &label, TRUE));
  {
    // On the label: the drive becomes the selection (a selection change), then the menu opens.
    RightClick(handle, {(label.left + label.right) / 2, (label.top + label.bottom) / 2});
    EXPECT_EQ(holder_.selections, std::vector<HTREEITEM>{drive_x_});
    EXPECT_EQ(tree_.menu_items, std::vector<HTREEITEM>{drive_x_});
    EXPECT_EQ(tree_.menu_selection, std::vector<HTREEITEM>{drive_x_});
  }
  {
    // Below every item: no selection change and no menu.
    RightClick(handle, {label.left, 590});
    EXPECT_EQ(holder_.selections.size(), 1u);
    EXPECT_EQ(tree_.menu_items.size(), 1u);
  }
}

TEST_F(LocationTreeTest, MeasuresReportOnlyChangesAndMouseGoesToThePanel) {
  HWND handle = tree_.Handle();
  const int row = TreeView_GetItemHeight(handle);
  const int rows = static_cast<int>(Children(handle, computer_).size()) + 1;
  {
    // The first measure reports the computer and its drives; the same content is not reported
    // again.
    EXPECT_TRUE(tree_.MeasureContent());
    EXPECT_EQ(tree_.ContentHeight(), rows * row);
    EXPECT_GT(tree_.ContentWidth(), 0);
    EXPECT_FALSE(tree_.MeasureContent());
    EXPECT_EQ(holder_.measured, std::vector<WPARAM>{kTreeId});
  }
  {
    // A click on the drive's expand button adds its six folders and reports them by itself; a
    // deeper, wider item widens the content.
    const int width = tree_.ContentWidth();
    LeftClick(handle, ButtonOf(handle, drive_x_));
    EXPECT_TRUE(TreeView_GetItemState(handle, drive_x_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(holder_.measured.size(), 2u);
    EXPECT_EQ(tree_.ContentHeight(), (rows + 6) * row);
    EXPECT_FALSE(tree_.MeasureContent());
    TreeView_Expand(handle, Children(handle, drive_x_)[3], TVE_EXPAND);
    EXPECT_TRUE(tree_.MeasureContent());
    EXPECT_GT(tree_.ContentWidth(), width);
  }
  {
    // A double-click leaves the item under the pointer collapsed, whether the control's own
    // handling collapsed it or expanded it, and the measure sees the collapsed content.
    RECT label;
    ASSERT_TRUE(TreeView_GetItemRect(handle, drive_x_, &label, TRUE));
    holder_.measured.clear();
    SendMessageA(handle, WM_LBUTTONDBLCLK, MK_LBUTTON, PointOf(label));
    EXPECT_FALSE(TreeView_GetItemState(handle, drive_x_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(tree_.ContentHeight(), rows * row);
    EXPECT_EQ(holder_.measured, std::vector<WPARAM>{kTreeId});
    SendMessageA(handle, WM_LBUTTONDBLCLK, MK_LBUTTON, PointOf(label));
    EXPECT_FALSE(TreeView_GetItemState(handle, drive_x_, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(tree_.ContentHeight(), rows * row);
    EXPECT_EQ(holder_.measured.size(), 1u);
  }
  {
    // Wheel turns over the tree go to the panel.
    SendMessageA(handle, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(holder_.wheel_turns, 1);
  }
}

TEST_F(LocationTreeTest, TheSelectedItemIsFramedInLightBlue) {
  HWND handle = tree_.Handle();
  TreeView_SelectItem(handle, drive_x_);
  RECT label;
  ASSERT_TRUE(TreeView_GetItemRect(handle, drive_x_, &label, TRUE));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 300, 600);
  HGDIOBJ old = SelectObject(dc, canvas);
  SendMessageA(handle, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  EXPECT_EQ(GetPixel(dc, label.left, label.top), kColorLightBlue);
  EXPECT_EQ(GetPixel(dc, label.right - 1, label.bottom - 1), kColorLightBlue);
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace sorvik
