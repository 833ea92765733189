// The favourites dialogs driven as a user would: inside their own modal loops, with the message
// boxes answered from a hook, and the menu commands of the search window that reach them.
#include <windows.h>
// The list view's messages.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "testing/fault_injection.h"
#include "testing/index_test_support.h"
#include "testing/list_test_support.h"
#include "ui/command_ids.h"
#include "ui/favourites/fav_list_dlg.h"
#include "ui/favourites/fav_new_dlg.h"
#include "ui/search/main_search_dlg.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::CellOf;
using testing::DialogAnswerer;
using testing::RowCount;
using testing::TempFolder;

constexpr UINT kMsgRunScript = WM_APP + 77;

// Handles what is waiting in this thread's queue (posted commands, repaints).
void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A dialog that, once its modal loop runs, shows itself on top and runs `script` in it.
template <class Dialog>
class Scripted : public Dialog {
 public:
  using Dialog::Dialog;
  std::function<void(Scripted&)> script;

 protected:
  BOOL OnInit() override {
    const BOOL focus = Dialog::OnInit();
    PostMessageA(this->Handle(), kMsgRunScript, 0, 0);
    return focus;
  }
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override {
    if (message != kMsgRunScript) return Dialog::OnMessage(message, wparam, lparam, result);
    SetWindowPos(this->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(this->Handle());
    script(*this);
    return true;
  }
};

// The organiser with its right-click menu recorded and answered with `choice`.
class TestOrganiser : public Scripted<CFavListDlg> {
 public:
  using Scripted::Scripted;
  std::vector<std::string> menu;  // the items of the last menu ("-" for a separator)
  int choice = 0;                 // the command the menu answers with; 0: none

 protected:
  void TrackItemMenu(HMENU popup, POINT screen) override {
    (void)screen;
    menu.clear();
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[64] = {0};
      GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      menu.push_back(GetMenuItemID(popup, i) == 0 ? "-" : text);
    }
    if (choice != 0) PostMessageA(Handle(), WM_COMMAND, static_cast<WPARAM>(choice), 0);
  }
};

std::string Titles(const std::string& folder) {
  auto store = FavoriteStore::Open(folder);
  std::string titles;
  for (size_t i = 0; i < store->Count(); ++i) titles += store->Item(i).title;
  return titles;
}

// Favourites A to E in `folder`, each with its own keyword ("a" for A...).
void SaveFiveFavourites(const std::string& folder) {
  std::vector<FavoriteEntry> entries;
  for (char letter : std::string("ABCDE"))
    entries.push_back({std::string(1, letter), MakeSearchRequest(std::string(1, letter + 32), "",
                                                                 kCategoryAll, false, 0, 0)});
  ASSERT_TRUE(RewriteFavorites(entries, folder));
}

// The list's rows, read from the list itself.
std::string Rows(HWND list) {
  std::string rows;
  for (int i = 0; i < RowCount(list); ++i) rows += CellOf(list, i, 0);
  return rows;
}

std::string SelectedRows(HWND list) {
  std::string rows;
  for (int i = 0; i < RowCount(list); ++i)
    if (ListView_GetItemState(list, i, LVIS_SELECTED) != 0) rows += CellOf(list, i, 0);
  return rows;
}

void Select(HWND list, std::initializer_list<int> items) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  for (int item : items) ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
}

// The centre of `item` in the dialog's client coordinates; below the last row for -1.
POINT PointOf(HWND dialog, HWND list, int item) {
  RECT rect = {};
  const int row = item >= 0 ? item : RowCount(list) - 1;
  rect.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
  POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  if (item < 0) point.y = rect.bottom + 3 * (rect.bottom - rect.top);
  MapWindowPoints(list, dialog, &point, 1);
  return point;
}

void RightClick(HWND dialog, HWND list) {
  NMHDR click = {list, IDC_FAV_LIST, static_cast<UINT>(NM_RCLICK)};
  SendMessageA(dialog, WM_NOTIFY, IDC_FAV_LIST, reinterpret_cast<LPARAM>(&click));
}

// Begins a drag on `from` as the list does, moves over `over` (dialog coordinates), and
// releases the button there.
void BeginDrag(HWND dialog, HWND list, int from) {
  NMLISTVIEW start = {};
  start.hdr = {list, IDC_FAV_LIST, static_cast<UINT>(LVN_BEGINDRAG)};
  start.iItem = from;
  POINT point = PointOf(dialog, list, from);
  MapWindowPoints(dialog, list, &point, 1);
  start.ptAction = point;
  SendMessageA(dialog, WM_NOTIFY, IDC_FAV_LIST, reinterpret_cast<LPARAM>(&start));
}
void MoveTo(HWND dialog, POINT over) {
  SendMessageA(dialog, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
}
void Release(HWND dialog, POINT over) {
  SendMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(over.x, over.y));
}

class FavouriteDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    EnsureCommonControls();
  }
  void TearDown() override { CoUninitialize(); }

  // Runs the organiser on the favourites folder with `script`; its result.
  INT_PTR Organise(const std::function<void(TestOrganiser&)>& script) {
    TestOrganiser organiser(folder_.Path());
    organiser.script = [&](Scripted<CFavListDlg>& dialog) {
      script(static_cast<TestOrganiser&>(dialog));
    };
    return organiser.RunModal(nullptr);
  }
  std::string File() const { return folder_.Join(kFavoriteFileName); }

  TempFolder folder_;
};

TEST_F(FavouriteDialogsTest, NewTitleIsRequiredAndTakenAsTyped) {
  std::string title = "unchanged";
  Scripted<CFavNewDlg> dialog(&title);
  DialogAnswerer boxes({kFavouritesMessageCaption});
  dialog.script = [&](Scripted<CFavNewDlg>& self) {
    char caption[32] = {0};
    GetWindowTextA(self.Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "收藏");
    // An empty title is refused and the dialog stays open.
    SendMessageA(self.Handle(), WM_COMMAND, IDOK, 0);
    Pump();
    EXPECT_TRUE(IsWindowVisible(self.Handle()));
    ASSERT_EQ(boxes.texts, (std::vector<std::string>{kEmptyTitleMessage}));
    // A title with blanks around it is kept as it is.
    SetDlgItemTextA(self.Handle(), IDC_FAV_TITLE, " 我的 报告 ");
    SendMessageA(self.Handle(), WM_COMMAND, IDOK, 0);
  };
  EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
  EXPECT_EQ(title, " 我的 报告 ");
  EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST_F(FavouriteDialogsTest, RightClickMenuRenameAndDelete) {
  SaveFiveFavourites(folder_.Path());
  DialogAnswerer boxes({kFavouritesMessageCaption}, IDYES);
  Organise([&](TestOrganiser& self) {
    HWND list = self.List();
    EXPECT_EQ(Rows(list), "ABCDE");
    char column[32] = {0};
    LVCOLUMNA header = {};
    header.mask = LVCF_TEXT;
    header.pszText = column;
    header.cchTextMax = sizeof column;
    SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&header));
    EXPECT_STREQ(column, "标题名称");
    // Nothing selected: no menu.
    Select(list, {});
    RightClick(self.Handle(), list);
    EXPECT_TRUE(self.menu.empty());
    // One item: rename and delete; two: only delete, which asks first.
    Select(list, {1});
    RightClick(self.Handle(), list);
    EXPECT_EQ(self.menu, (std::vector<std::string>{"修改标题", "-", "删除"}));
    Select(list, {1, 3});
    self.choice = kCmdDeleteFavourites;
    RightClick(self.Handle(), list);
    EXPECT_EQ(self.menu, (std::vector<std::string>{"删除"}));
    Pump();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{kDeleteFavouritesQuestion}));
    EXPECT_EQ(Rows(list), "ACE");
    // Rename in place: a new text is taken, an empty one leaves the title.
    for (const char* typed : {"新的C", ""}) {
      Select(list, {1});
      SendMessageA(self.Handle(), WM_COMMAND, kCmdRenameFavourite, 0);
      HWND edit = ListView_GetEditControl(list);
      ASSERT_NE(edit, nullptr);
      SetWindowTextA(edit, typed);
      SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
      Pump();
      EXPECT_EQ(Rows(list), "A新的CE") << typed;
    }
    PostMessageA(self.Handle(), WM_CLOSE, 0, 0);
  });
  // The file holds the list as closed, each title with its own search.
  auto reread = FavoriteStore::Open(folder_.Path());
  ASSERT_EQ(reread->Count(), 3u);
  EXPECT_EQ(reread->Item(1).title, "新的C");
  EXPECT_EQ(reread->Item(1).request.keywords, "c");
  EXPECT_EQ(reread->Item(2).request.keywords, "e");
}

TEST_F(FavouriteDialogsTest, DragAndDropReorders) {
  struct Case {
    std::initializer_list<int> selected;
    int from;  // the item the drag begins on
    int onto;  // -1: below the last item
    const char* rows;
    const char* selected_after;
  };
  const Case cases[] = {
      {{0}, 0, 3, "BCADE", "A"},       // A onto D
      {{4}, 4, 1, "AEBCD", "E"},       // E onto B
      {{1, 3}, 3, -1, "ACEBD", "BD"},  // several, below the last item
      {{0, 2}, 0, 4, "BDACE", "AC"},   // several onto E
  };
  for (const Case& c : cases) {
    SaveFiveFavourites(folder_.Path());
    Organise([&](TestOrganiser& self) {
      HWND dialog = self.Handle();
      HWND list = self.List();
      Select(list, c.selected);
      BeginDrag(dialog, list, c.from);
      EXPECT_TRUE(self.Dragging());
      EXPECT_EQ(GetCapture(), dialog);
      // Over the list the drop item is highlighted under an arrow; elsewhere the cursor says no.
      MoveTo(dialog, PointOf(dialog, list, c.onto));
      EXPECT_EQ(self.DropTarget(), c.onto);
      EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
      if (c.onto >= 0) {
        EXPECT_NE(ListView_GetItemState(list, c.onto, LVIS_DROPHILITED), 0u);
      }
      MoveTo(dialog, POINT{4, 4});
      EXPECT_EQ(self.DropTarget(), -1);
      EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_NO));
      MoveTo(dialog, PointOf(dialog, list, c.onto));
      Release(dialog, PointOf(dialog, list, c.onto));
      EXPECT_FALSE(self.Dragging());
      EXPECT_EQ(GetCapture(), nullptr);
      EXPECT_EQ(Rows(list), c.rows);
      EXPECT_EQ(SelectedRows(list), c.selected_after);
      for (int i = 0; i < RowCount(list); ++i)
        EXPECT_EQ(ListView_GetItemState(list, i, LVIS_DROPHILITED), 0u);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(Titles(folder_.Path()), c.rows);
    auto reread = FavoriteStore::Open(folder_.Path());
    for (size_t i = 0; i < reread->Count(); ++i)  // each title keeps its own search
      EXPECT_EQ(reread->Item(i).request.keywords[0], reread->Item(i).title[0] + 32);
  }
  // A drop outside the list moves nothing.
  SaveFiveFavourites(folder_.Path());
  Organise([&](TestOrganiser& self) {
    Select(self.List(), {0});
    BeginDrag(self.Handle(), self.List(), 0);
    Release(self.Handle(), POINT{4, 4});
    EXPECT_EQ(Rows(self.List()), "ABCDE");
    PostMessageA(self.Handle(), WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(Titles(folder_.Path()), "ABCDE");
}

TEST_F(FavouriteDialogsTest, OnlyClosingWritesTheFile) {
  SaveFiveFavourites(folder_.Path());
  const std::string before = testing::ReadText(File());
  DialogAnswerer boxes({kFavouritesMessageCaption}, IDYES);
  {
    // Esc: every change is lost.
    Organise([&](TestOrganiser& self) {
      Select(self.List(), {0, 1, 2, 3, 4});
      self.choice = kCmdDeleteFavourites;
      RightClick(self.Handle(), self.List());
      Pump();
      EXPECT_EQ(RowCount(self.List()), 0);
      PostMessageA(self.List(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(testing::ReadText(File()), before);
  }
  {
    // Closing after deleting everything: an empty root.
    Organise([&](TestOrganiser& self) {
      Select(self.List(), {0, 1, 2, 3, 4});
      self.choice = kCmdDeleteFavourites;
      RightClick(self.Handle(), self.List());
      Pump();
      PostMessageA(self.Handle(), WM_CLOSE, 0, 0);
    });
    EXPECT_NE(testing::ReadText(File()).find("<favorite />"), std::string::npos);
    EXPECT_EQ(FavoriteStore::Open(folder_.Path())->Count(), 0u);
  }
}

TEST_F(FavouriteDialogsTest, AFileThatCannotBeWrittenIsKeptAndTheUserTold) {
  SaveFiveFavourites(folder_.Path());
  const std::string before = testing::ReadText(File());
  // The message boxes are answered Yes; the new dialog gets a title and "添加".
  DialogAnswerer boxes({kFavouritesMessageCaption, "收藏"}, IDYES);
  boxes.before_answer = [](HWND dialog) {
    if (SetDlgItemTextA(dialog, IDC_FAV_TITLE, "F")) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  };
  auto messages = [&] {
    std::vector<std::string> texts;
    for (size_t i = 0; i < boxes.texts.size(); ++i)
      if (boxes.titles[i] == kFavouritesMessageCaption) texts.push_back(boxes.texts[i]);
    boxes.texts.clear();
    boxes.titles.clear();
    return texts;
  };
  for (int fault = 0; fault < 2; ++fault) {
    // A read-only file, then a full disk.
    std::unique_ptr<testing::FailingDisk> disk;
    if (fault == 0) {
      SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_READONLY);
    } else {
      disk = std::make_unique<testing::FailingDisk>();
      disk->full_from = 1;
    }
    bool open_after_close = false;
    Organise([&](TestOrganiser& self) {
      Select(self.List(), {0});
      self.choice = kCmdDeleteFavourites;
      RightClick(self.Handle(), self.List());
      Pump();
      // The close fails: the user is told and the dialog keeps the changes on screen.
      SendMessageA(self.Handle(), WM_CLOSE, 0, 0);
      Pump();
      open_after_close = IsWindowVisible(self.Handle()) && Rows(self.List()) == "BCDE";
      PostMessageA(self.Handle(), WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(open_after_close) << fault;
    EXPECT_EQ(messages(),
              (std::vector<std::string>{kDeleteFavouritesQuestion, kFavouritesNotSavedMessage}))
        << fault;
    // Adding a favourite: not saved, and the user is told so.
    EXPECT_FALSE(AddFavourite(nullptr, SearchRequest(), folder_.Path())) << fault;
    EXPECT_EQ(messages(), (std::vector<std::string>{kFavouriteNotAddedMessage})) << fault;
    SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(testing::ReadText(File()), before) << fault;
  }
}

// The search window's favourites menu and commands, on a window without an index: the request
// a favourite replays is still the window's current one.
class FavouritesMenuTest : public FavouriteDialogsTest {
 protected:
  void SetUp() override {
    FavouriteDialogsTest::SetUp();
    work_.settings.Set(kConfigAutorun, "false");
    index_ = std::make_unique<IndexManager>(
        work_.work, std::make_unique<testing::FakeEnvironment>(&work_.settings, work_.build),
        false);
    MainWindowOptions options;
    options.index = index_.get();
    options.settings = &work_.settings;
    options.favourites_folder = folder_.Path();
    window_ = std::make_unique<MainSearchDlg>(options);
    ASSERT_NE(window_->Create(nullptr), nullptr);
  }
  void TearDown() override {
    window_.reset();
    index_.reset();
    FavouriteDialogsTest::TearDown();
  }
  void Command(int id) { SendMessageA(window_->Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0); }

  testing::WorkFolder work_{"Q:"};
  std::unique_ptr<IndexManager> index_;
  std::unique_ptr<MainSearchDlg> window_;
};

TEST_F(FavouritesMenuTest, AddOrganiseAndReplay) {
  // "添加到收藏夹" saves the window's current search under the title typed.
  window_->RunSearch("报告", "D:\\资料", kCategoryDocuments, 1, 2008, 3);
  {
    DialogAnswerer add({"收藏"});
    add.before_answer = [](HWND dialog) { SetDlgItemTextA(dialog, IDC_FAV_TITLE, "三月"); };
    Command(kCmdAddFavourite);
  }
  {
    auto store = FavoriteStore::Open(folder_.Path());
    ASSERT_EQ(store->Count(), 1u);
    EXPECT_EQ(store->Item(0).title, "三月");
    EXPECT_EQ(store->Item(0).request.monthFrom, window_->CurrentRequest().monthFrom);
    EXPECT_EQ(store->Item(0).request.location, "D:\\资料");
    EXPECT_EQ(store->Item(0).request.hiddenOnly, 1);
  }
  // A favourite without a date replays without one, even with a stray end month on file.
  std::vector<FavoriteEntry> entries = {
      {"三月", FavoriteStore::Open(folder_.Path())->Item(0).request}};
  SearchRequest undated = MakeSearchRequest("歌", "", kCategoryAll, false, 0, 0);
  undated.monthTo = 27652;
  entries.push_back({"无日期", undated});
  for (int i = 3; i <= 100; ++i)
    entries.push_back({"收藏" + std::to_string(i),
                       MakeSearchRequest("k" + std::to_string(i), "", kCategoryAll, false, 0, 0)});
  ASSERT_TRUE(RewriteFavorites(entries, folder_.Path()));
  Command(kCmdFirstFavourite);
  EXPECT_EQ(window_->CurrentRequest().monthFrom, (2008 - 1900) * 256 + 3);
  Command(kCmdFirstFavourite + 1);
  EXPECT_EQ(window_->CurrentRequest().keywords, "歌");
  EXPECT_EQ(window_->CurrentRequest().monthFrom, 0);
  EXPECT_EQ(window_->CurrentRequest().monthTo, 0);
  // All hundred are listed after a separator; the 99th runs, the 100th does nothing.
  HMENU menu = window_->BuildDropDown(kMenuButtonFavourites);
  ASSERT_EQ(GetMenuItemCount(menu), 6 + 100);
  EXPECT_EQ(GetMenuItemID(menu, 5), 0u);
  char caption[32] = {0};
  GetMenuStringA(menu, 105, caption, sizeof caption, MF_BYPOSITION);
  EXPECT_STREQ(caption, "收藏100");
  const int hundredth = static_cast<int>(GetMenuItemID(menu, 105));
  const int ninety_ninth = static_cast<int>(GetMenuItemID(menu, 104));
  DestroyMenu(menu);
  Command(ninety_ninth);
  EXPECT_EQ(window_->CurrentRequest().keywords, "k99");
  Command(hundredth);
  EXPECT_EQ(window_->CurrentRequest().keywords, "k99");
  // "整理收藏夹" opens the organiser; closing it writes the list it showed.
  {
    DialogAnswerer organise({"整理收藏夹"});
    organise.before_answer = [](HWND dialog) {
      HWND list = GetDlgItem(dialog, IDC_FAV_LIST);
      ListView_DeleteItem(list, 0);
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    };
    Command(kCmdOrganiseFavourites);
    EXPECT_EQ(organise.titles.size(), 1u);
  }
  auto after = FavoriteStore::Open(folder_.Path());
  ASSERT_EQ(after->Count(), 99u);
  EXPECT_EQ(after->Item(0).title, "无日期");
}

}  // namespace
}  // namespace sorvik
