#include "ui/results/result_actions.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "lifecycle/index_manager.h"
#include "testing/index_test_support.h"
#include "testing/list_test_support.h"
#include "testing/snapshot_test_support.h"
#include "text/gbk_text.h"
#include "ui/results/file_drop.h"
#include "ui/search/main_search_dlg.h"
#include "widgets/shell_item_menu.h"

namespace sorvik {
namespace {

using testing::FakeDetails;
using testing::ListHolder;
using testing::MakeResult;
using testing::RowCount;

// One item of a tracked menu.
struct MenuItem {
  UINT id;
  std::string text;  // "" for a separator
};

// Records what the actions would start; menus are read and answered with `choice`.
class RecordingSystem : public ActionSystem {
 public:
  struct Run {
    std::string verb, file, parameters, folder;
  };
  DWORD ShellRun(HWND, const char* verb, const std::string& file, const std::string& parameters,
                 const std::string& folder) override {
    runs.push_back({verb != nullptr ? verb : "(default)", file, parameters, folder});
    const DWORD error = errors.empty() ? 0 : errors.front();
    if (!errors.empty()) errors.erase(errors.begin());
    return error;
  }
  int Ask(HWND, const std::string& text, const char*, UINT) override {
    questions.push_back(text);
    return answer;
  }
  int TrackMenu(HMENU popup, HWND owner, POINT) override {
    menu.clear();
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[128] = {0};
      GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      menu.push_back({GetMenuItemID(popup, i), text});
    }
    default_item = GetMenuDefaultItem(popup, FALSE, 0);

    relayed = GetWindowLongPtrA(owner, GWLP_WNDPROC) != procedure_before;
    return static_cast<int>(choice);
  }
  bool StartDrag(DragJob job) override {
    drags.push_back(job);
    return true;
  }
  ~RecordingSystem() override {
    for (DragJob& job : drags) GlobalFree(job.block);
  }
  // The items of the last menu up to the first of the shell's (separators have id 0).
  std::vector<std::string> OwnTexts() const {
    std::vector<std::string> texts;
    for (const MenuItem& item : menu) {
      if (item.id != 0 && (item.id < kCmdPreviewPicture || item.id > kCmdMd5)) break;
      texts.push_back(item.text);
    }
    return texts;
  }
  size_t ShellItems() const {
    size_t count = 0;
    for (const MenuItem& item : menu) count += item.id >= 1 && item.id <= kLastShellCommand;
    return count;
  }

  std::vector<Run> runs;
  std::vector<DWORD> errors;  // last errors of the next shell runs
  std::vector<std::string> questions;
  int answer = IDYES;
  UINT choice = 0;  // the menu id chosen
  std::vector<MenuItem> menu;
  UINT default_item = 0;
  LONG_PTR procedure_before = 0;  // the owner's procedure before tracking
  bool relayed = false;           // the owner's procedure differed while tracking
  std::vector<DragJob> drags;
};

// A list in a hidden holder, with the actions' system recorded and the tool hooks counted.
class ActionsFixture {
 public:
  ActionsFixture() {
    ListHolder::list() = &list;
    list.Create(holder.hwnd, RECT{0, 0, 700, 500});
    list.Actions().SetSystem(&system);
    ResultToolHooks hooks;
    hooks.open_md5 = [this](HWND, const std::string& path) { md5_paths.push_back(path); };
    hooks.open_viewer = [this](HWND, SearchResult* result, int row) {
      viewer_rows.push_back(row);
      viewer_result = result;
    };
    list.Actions().SetHooks(hooks);
    system.procedure_before = GetWindowLongPtrA(list.Handle(), GWLP_WNDPROC);
  }
  // Selects exactly `rows`.
  void Select(std::initializer_list<int> rows) {
    LVITEMA none = {};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    for (int row : rows) {
      LVITEMA item = {};
      item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(list.Handle(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
  }
  std::vector<int> Selected() {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(SendMessageA(list.Handle(), LVM_GETNEXTITEM, row,
                                                            LVNI_SELECTED))) >= 0;)
      rows.push_back(row);
    return rows;
  }
  // The key as the list receives it, with Ctrl held or not.
  void Key(WORD key, bool control) {
    BYTE keys[256] = {0};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(list.Handle(), WM_KEYDOWN, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
  void Menu(UINT choice, POINT at = POINT{10, 30}) {
    system.choice = choice;
    system.menu.clear();
    list.Actions().ShowContextMenu(at);
  }
  // A point inside row `row` of the list.
  POINT RowPoint(int row) {
    RECT rect = {};
    rect.left = LVIR_LABEL;
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  }

  ListHolder holder;
  CBasicListCtrl list;
  RecordingSystem system;
  std::vector<std::string> md5_paths;
  std::vector<int> viewer_rows;
  SearchResult* viewer_result = nullptr;
};

TEST(ResultActionHelpers, PicturesExtensionsFoldersAndRegistration) {
  {
    // Extensions of the list in any case are pictures; others and names without one are not.
    for (const char* path : {"C:\\a.JPG", "C:\\a.jpeg", "C:\\b\\c.Tiff", "C:\\x.ico", "d.jfif"})
      EXPECT_TRUE(IsPicturePath(path)) << path;
    for (const char* path : {"C:\\a.webp", "C:\\a.", "C:\\jpg", "C:\\pics.jpg\\readme", "a.jp"})
      EXPECT_FALSE(IsPicturePath(path)) << path;
  }
  {
    // The extension of the last name only; a trail byte that is a backslash ends no name.
    EXPECT_EQ(ExtensionOf("C:\\a.b\\c"), "");
    EXPECT_EQ(ExtensionOf("C:\\a\\c.tar.gz"), ".gz");
    EXPECT_EQ(GbkFolderOf("C:\\\xD7\x5C\\x.txt"), "C:\\\xD7\x5C");  // "\xD7\x5C" is one character
    EXPECT_EQ(ExtensionOf("C:\\\xD7\x5C.txt"), ".txt");
    EXPECT_EQ(GbkFolderOf("C:\\x.txt"), "C:");
  }
  {
    // regsvr32 gets the path quoted, so a path with blanks stays one parameter.
    EXPECT_EQ(RegisterParameters("C:\\Program Files\\x.dll", false),
              "\"C:\\Program Files\\x.dll\"");
    EXPECT_EQ(RegisterParameters("C:\\a.ocx", true), "/u \"C:\\a.ocx\"");
  }
}

TEST(ResultActionHelpers, DragBlockNeverOverruns) {
  {
    // Paths fill the room exactly; the next one is left out, a later shorter one still fits.
    const std::string big(kDragPathBytes - 12, 'a');  // with its NUL, 11 bytes short
    size_t left_out = 0;
    auto fit = PathsThatFit({big, std::string(10, 'b'), "c", std::string(20, 'd')}, &left_out);
    ASSERT_EQ(fit.size(), 2u);
    EXPECT_EQ(fit[1], std::string(10, 'b'));
    EXPECT_EQ(left_out, 2u);
    HGLOBAL block = MakeDragBlock(fit);
    ASSERT_NE(block, nullptr);
    ASSERT_EQ(GlobalSize(block), kDragBlockSize);
    const char* data = static_cast<const char*>(GlobalLock(block));
    EXPECT_EQ(reinterpret_cast<const DROPFILES*>(data)->pFiles, 20u);
    EXPECT_FALSE(reinterpret_cast<const DROPFILES*>(data)->fWide);
    EXPECT_EQ(std::string(data + 20), big);
    EXPECT_EQ(std::string(data + 20 + big.size() + 1), std::string(10, 'b'));
    EXPECT_EQ(data[kDragBlockSize - 1], '\0');  // the list's closing NUL
    GlobalUnlock(block);
    GlobalFree(block);
  }
  {
    // Paths that together exceed the room are refused outright.
    EXPECT_EQ(MakeDragBlock({std::string(kDragPathBytes, 'x')}), nullptr);
  }
}

// A page of FakeDetails entries in a list: Ctrl+A, Ctrl+C, the drag and the menus that need no
// real files.
class ResultListActions : public ::testing::Test, public ActionsFixture {
 protected:
  void Show(std::vector<uint32_t> ids) { list.SetResult(MakeResult(&details, std::move(ids))); }
  FakeDetails details;
};

TEST_F(ResultListActions, OpenSendsPicturesToTheViewerAndTheRestToTheShell) {
  const uint32_t jpg = details.Add("C:\\pics", "a.JPG", 1);
  const uint32_t jpeg = details.Add("C:\\pics", "b.jpeg", 1);
  const uint32_t webp = details.Add("C:\\pics", "c.webp", 1);
  const uint32_t folder = details.Add("C:\\pics", "d.jpg", kFolderSize);
  Show({jpg, jpeg, webp, folder});
  {
    // Double-click and Enter open the focused row; .JPG and .jpeg go to the viewer.
    Select({0});
    NMITEMACTIVATE click = {};
    click.hdr = {list.Handle(), kResultListId, NM_DBLCLK};
    SendMessageA(holder.hwnd, WM_NOTIFY, kResultListId, reinterpret_cast<LPARAM>(&click));
    list.Actions().Open(1);
    EXPECT_EQ(viewer_rows, (std::vector<int>{0, 1}));
    EXPECT_EQ(viewer_result, list.Result());
    EXPECT_TRUE(system.runs.empty());
  }
  {
    // .webp and a folder named like a picture go to the shell's "open".
    list.Actions().Open(2);
    list.Actions().Open(3);
    ASSERT_EQ(system.runs.size(), 2u);
    EXPECT_EQ(system.runs[0].verb, "open");
    EXPECT_EQ(system.runs[0].file, "C:\\pics\\c.webp");
    EXPECT_EQ(system.runs[1].file, "C:\\pics\\d.jpg");
    EXPECT_EQ(viewer_rows.size(), 2u);
  }
  {
    // Without an associated program: the default verb on the name in its folder.
    system.runs.clear();
    system.errors = {1155};
    list.Actions().Open(2);
    ASSERT_EQ(system.runs.size(), 2u);
    EXPECT_EQ(system.runs[1].verb, "(default)");
    EXPECT_EQ(system.runs[1].file, "c.webp");
    EXPECT_EQ(system.runs[1].folder, "C:\\pics\\");
  }
}

TEST_F(ResultListActions, CtrlAAndCtrlCPutTheExactFileListOnTheClipboard) {
  Show({details.Add("X:", "docs", kFolderSize), details.Add("X:\\docs", "资料", kFolderSize),
        details.Add("X:\\docs", "a.txt", 3)});
  {
    // A without Ctrl selects nothing; Ctrl+A selects every row.
    Key('A', false);
    EXPECT_TRUE(Selected().empty());
    Key('A', true);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2}));
  }
  // Only the two folder rows.
  LVITEMA none = {};
  none.stateMask = LVIS_SELECTED;
  SendMessageA(list.Handle(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&none));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  Key('C', true);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL list_block = GetClipboardData(CF_HDROP);
  HGLOBAL effect = GetClipboardData(RegisterClipboardFormatA(kPreferredDropEffect));
  ASSERT_NE(list_block, nullptr);
  ASSERT_NE(effect, nullptr);
  {
    // 20 + 2 x (8 + 13) + 8 bytes: the header, the wide paths, zeros to the end.
    const size_t narrow_bytes = 8 + 13;
    std::vector<uint8_t> expected = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    for (wchar_t c : std::wstring(L"X:\\docs\0X:\\docs\\\u8D44\u6599\0", 18)) {
      expected.push_back(static_cast<uint8_t>(c & 0xFF));
      expected.push_back(static_cast<uint8_t>(c >> 8));
    }
    expected.resize(20 + 2 * narrow_bytes + 8, 0);
    ASSERT_EQ(GlobalSize(list_block), expected.size());
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(list_block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + expected.size()), expected);
    GlobalUnlock(list_block);
  }
  {
    // The effect is copy.
    EXPECT_EQ(*static_cast<const DWORD*>(GlobalLock(effect)), 1u);
    GlobalUnlock(effect);
  }
  CloseClipboard();
}

TEST_F(ResultListActions, DragHonoursTheSettingAndLeavesOutWhatDoesNotFit) {
  testing::TempFolder folder;
  ConfigStore settings(folder.Join("Config.xml"));
  ConfigStore empty(folder.Join("Empty.xml"));
  list.Actions().SetSettings(&settings);
  std::vector<uint32_t> ids;
  for (int i = 0; i < 800; ++i)  // 800 paths of 299 bytes: 682 fit into the block
    ids.push_back(details.Add("C:\\" + std::string(277, 'f'),
                              "name" + std::to_string(1000 + i) + std::string(10, 'x'), 1));
  Show(ids);
  auto begin_drag = [this] {
    NMLISTVIEW drag = {};
    drag.hdr = {list.Handle(), kResultListId, LVN_BEGINDRAG};
    SendMessageA(holder.hwnd, WM_NOTIFY, kResultListId, reinterpret_cast<LPARAM>(&drag));
  };
  Select({0, 1});
  {
    // "false": no drag, the clipboard untouched.
    settings.Set(kConfigDragCopy, "false");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    begin_drag();
    EXPECT_TRUE(system.drags.empty());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  }
  {
    // Absent: two narrow paths in a block of 204821 bytes, and the same on the clipboard.
    list.Actions().SetSettings(&empty);
    begin_drag();
    ASSERT_EQ(system.drags.size(), 1u);
    EXPECT_EQ(system.drags[0].left_out, 0u);
    ASSERT_EQ(GlobalSize(system.drags[0].block), kDragBlockSize);
    const char* data = static_cast<const char*>(GlobalLock(system.drags[0].block));
    const std::string first = details.entries[ids[0]].FullPath();
    EXPECT_EQ(std::string(data + 20), first);
    EXPECT_EQ(std::string(data + 21 + first.size()), details.entries[ids[1]].FullPath());
    EXPECT_EQ(data[22 + 2 * first.size()], '\0');
    GlobalUnlock(system.drags[0].block);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    CloseClipboard();
  }
  {
    // Every row: what does not fit is left out of the drag and the clipboard, and counted.
    Key('A', true);
    system.drags.clear();
    begin_drag();
    ASSERT_EQ(system.drags.size(), 1u);
    EXPECT_EQ(system.drags[0].left_out, 800u - kDragPathBytes / 300);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0), kDragPathBytes / 300);
    CloseClipboard();
    EXPECT_NE(LeftOutText(116).find("116"), std::string::npos);
  }
}

// A drive R: with real files and a real index of it, for the actions that need the files.
class ResultFileActions : public ::testing::Test, public ActionsFixture {
 protected:
  static void SetUpTestSuite() {
    CoInitialize(nullptr);
    drive_ = new testing::TestDrive('R');
    ASSERT_TRUE(drive_->Mapped());
    for (const char* folder : {"a b", "pics", "victims", "victims\\folder"})
      CreateFolder(drive_->At(folder));
    for (const char* file :
         {"a b\\ctl.ocx", "a b\\lib.DLL", "a b\\notes.txt", "pics\\p.jpg", "pics\\q.jpg",
          "victims\\v1.dat", "victims\\v2.dat", "victims\\v3.dat"})
      testing::MakeFile(drive_->At(file));
    work_ = new testing::WorkFolder("R:");
    work_->settings.Set(kConfigAutorun, "false");
    ASSERT_TRUE(BuildIndex(&work_->settings, work_->build));
    index_ = new IndexManager(
        work_->work, std::make_unique<testing::FakeEnvironment>(&work_->settings, work_->build),
        false);
    index_->SwapInNewIndex();
    ASSERT_TRUE(index_->HasLoadedIndex());
  }
  static void TearDownTestSuite() {
    delete index_;
    delete work_;
    delete drive_;
  }
  // Shows the whole answer to `keywords` in `location` and returns the rows' paths.
  std::vector<std::string> Search(const std::string& keywords, const std::string& location = "") {
    uint32_t total = 0;
    SearchRequest request = MakeSearchRequest(keywords, location, kCategoryAll, false, 0, 0);
    list.SetResult(index_->Search(request, 1, static_cast<int>(kPageSize), &total));
    std::vector<std::string> paths;
    std::string path;
    for (uint32_t id : list.Result()->ids)
      if (list.Result()->GetFullPath(id, &path)) paths.push_back(path);
    return paths;
  }
  int Row(const std::vector<std::string>& paths, const std::string& relative) {
    for (size_t i = 0; i < paths.size(); ++i)
      if (paths[i] == drive_->At(relative)) return static_cast<int>(i);
    ADD_FAILURE() << relative;
    return 0;
  }

  static inline testing::TestDrive* drive_ = nullptr;
  static inline testing::WorkFolder* work_ = nullptr;
  static inline IndexManager* index_ = nullptr;
};

TEST_F(ResultFileActions, OneRowMenuHasOwnItemsAboveTheShells) {
  const std::vector<std::string> paths = Search("", drive_->At("a b"));
  ASSERT_GE(paths.size(), 3u);  // the three files (and the folder)
  {
    // A control: its two registration items; "/u " and the quoted path go to regsvr32.
    Select({Row(paths, "a b\\ctl.ocx")});
    Menu(kCmdUnregister);
    // A separator parts them from the shell's items.
    EXPECT_EQ(system.OwnTexts(), (std::vector<std::string>{"打开所在的目录", "", "注册控件",
                                                           "反注册控件", "", "计算MD5值", ""}));
    EXPECT_EQ(system.default_item, kCmdOpenFolder);
    EXPECT_GT(system.ShellItems(), 0u);
    EXPECT_EQ(system.menu[0].id, kCmdOpenFolder);  // own items first
    ASSERT_EQ(system.runs.size(), 1u);
    EXPECT_EQ(system.runs[0].file, "regsvr32.exe");
    EXPECT_EQ(system.runs[0].parameters, "/u \"R:\\a b\\ctl.ocx\"");
    // The owner's procedure was relayed for the shell's menu and is back now.
    EXPECT_TRUE(system.relayed);
    EXPECT_EQ(GetWindowLongPtrA(list.Handle(), GWLP_WNDPROC), system.procedure_before);
  }
  {
    // A library (any case): the COM items; the folder opens in explorer.
    Select({Row(paths, "a b\\lib.DLL")});
    Menu(kCmdOpenFolder);
    EXPECT_EQ(system.OwnTexts(), (std::vector<std::string>{"打开所在的目录", "", "注册COM组件",
                                                           "反注册COM组件", "", "计算MD5值", ""}));
    EXPECT_EQ(system.runs.back().file, "explorer");
    EXPECT_EQ(system.runs.back().parameters, "R:\\a b");
  }
  {
    // A text file: MD5 only, handed to the MD5 dialog; a folder: the folder item only.
    Select({Row(paths, "a b\\notes.txt")});
    Menu(kCmdMd5);
    EXPECT_EQ(system.OwnTexts(), (std::vector<std::string>{"打开所在的目录", "", "计算MD5值", ""}));
    EXPECT_EQ(md5_paths, std::vector<std::string>{"R:\\a b\\notes.txt"});
    const std::vector<std::string> folders = Search("", drive_->Root());
    Select({Row(folders, "a b")});
    Menu(0);
    EXPECT_EQ(system.OwnTexts(), (std::vector<std::string>{"打开所在的目录", ""}));
    EXPECT_EQ(Selected(), std::vector<int>{Row(folders, "a b")});  // the selection stays
  }
}

TEST_F(ResultFileActions, PictureMenuAndSeveralRows) {
  const std::vector<std::string> paths = Search("jpg");
  ASSERT_EQ(paths.size(), 2u);
  {
    // A picture: "预览图片" is the default and opens the viewer on the row.
    Select({1});
    Menu(kCmdPreviewPicture);
    EXPECT_EQ(system.default_item, kCmdPreviewPicture);
    EXPECT_EQ(system.OwnTexts(),
              (std::vector<std::string>{"打开所在的目录", "", "预览图片", "计算MD5值", ""}));
    EXPECT_EQ(viewer_rows, std::vector<int>{1});
  }
  {
    // Two rows of one folder: the program's items of the row under the cursor, then the
    // shell's for both; the selection stays.
    Select({0, 1});
    Menu(kCmdPreviewPicture, RowPoint(1));
    EXPECT_EQ(system.OwnTexts(),
              (std::vector<std::string>{"打开所在的目录", "", "预览图片", "计算MD5值", ""}));
    EXPECT_GT(system.ShellItems(), 0u);
    EXPECT_EQ(viewer_rows, (std::vector<int>{1, 1}));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1}));
  }
  {
    // Rows of two folders: no shell items (the shell would take the second for a file of the
    // first folder), but the program's items of the row under the cursor, which act on it;
    // the selection stays.
    const std::vector<std::string> mixed = Search("q.jpg,notes");
    ASSERT_EQ(mixed.size(), 2u);
    const int notes = Row(mixed, "a b\\notes.txt");
    Select({0, 1});
    Menu(kCmdMd5, RowPoint(notes));
    EXPECT_EQ(system.OwnTexts(), (std::vector<std::string>{"打开所在的目录", "", "计算MD5值"}));
    EXPECT_EQ(system.ShellItems(), 0u);
    EXPECT_EQ(system.menu.size(), 3u);  // no separator at the end
    EXPECT_EQ(system.default_item, kCmdOpenFolder);
    EXPECT_EQ(md5_paths, std::vector<std::string>{"R:\\a b\\notes.txt"});
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1}));
  }
}

TEST_F(ResultFileActions, DeleteRemovesWhatItCanAndLaterSearchesLeaveItOut) {
  std::vector<std::string> paths = Search("", drive_->At("victims"));
  ASSERT_GE(paths.size(), 4u);  // its sub-folder and three files (and the folder)
  // v2 is held open without delete sharing, so it cannot be removed.
  HANDLE held = CreateFileA(drive_->At("victims\\v2.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const int folder = Row(paths, "victims\\folder");
  {
    // "No" changes nothing.
    system.answer = IDNO;
    Select({Row(paths, "victims\\v1.dat")});
    Key(VK_DELETE, false);
    EXPECT_EQ(system.questions, std::vector<std::string>{kDeleteQuestion});
    EXPECT_TRUE(PathExists(drive_->At("victims\\v1.dat")));
    EXPECT_EQ(RowCount(list.Handle()), static_cast<int>(paths.size()));
  }
  {
    // "Yes" for three files and a folder: two files go with their rows; the held file and the
    // folder stay, unselected.
    system.answer = IDYES;
    Select({Row(paths, "victims\\v1.dat"), Row(paths, "victims\\v2.dat"),
            Row(paths, "victims\\v3.dat"), folder});
    Key(VK_DELETE, false);
    CloseHandle(held);
    EXPECT_FALSE(PathExists(drive_->At("victims\\v1.dat")));
    EXPECT_FALSE(PathExists(drive_->At("victims\\v3.dat")));
    EXPECT_TRUE(PathExists(drive_->At("victims\\v2.dat")));
    EXPECT_TRUE(PathExists(drive_->At("victims\\folder")));
    EXPECT_TRUE(Selected().empty());
    std::vector<std::string> expected;
    for (const std::string& path : paths)
      if (path != drive_->At("victims\\v1.dat") && path != drive_->At("victims\\v3.dat"))
        expected.push_back(path);
    ASSERT_EQ(RowCount(list.Handle()), static_cast<int>(expected.size()));
    std::string path;
    std::vector<std::string> shown;
    for (uint32_t id : list.Result()->ids)
      if (list.Result()->GetFullPath(id, &path)) shown.push_back(path);
    EXPECT_EQ(shown, expected);
    // A later search no longer lists the two.
    EXPECT_EQ(Search("", drive_->At("victims")), expected);
    EXPECT_EQ(Search("v3"), std::vector<std::string>());
  }
}

TEST_F(ResultFileActions, EnterInTheSearchWindowOpensTheFocusedRow) {
  testing::TempFolder favourites;
  MainWindowOptions options;
  options.index = index_;
  options.settings = &work_->settings;
  options.favourites_folder = favourites.Path();
  MainSearchDlg window(options);
  ASSERT_NE(window.Create(nullptr), nullptr);
  CBasicListCtrl& shown = window.List();
  shown.Actions().SetSystem(&system);
  window.RunSearch("notes", "", kCategoryAll, 0, 0, 0);
  ASSERT_EQ(RowCount(shown.Handle()), 1);
  LVITEMA item = {};
  item.state = item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(shown.Handle(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
  // The key goes through the dialog manager, which makes Return the window's OK.
  SetFocus(shown.Handle());
  MSG key = {};
  key.hwnd = shown.Handle();
  key.message = WM_KEYDOWN;
  key.wParam = VK_RETURN;
  if (!IsDialogMessageA(window.Handle(), &key)) DispatchMessageA(&key);
  ASSERT_EQ(system.runs.size(), 1u);
  EXPECT_EQ(system.runs[0].verb, "open");
  EXPECT_EQ(system.runs[0].file, drive_->At("a b\\notes.txt"));
  DestroyWindow(window.Handle());
}

}  // namespace
}  // namespace sorvik
