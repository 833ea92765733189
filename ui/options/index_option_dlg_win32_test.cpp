#include "ui/options/index_option_dlg_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>

#include "index/folder_exclusion.h"
#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/config_store.h"
#include "testing/snapshot_test_support.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::TempFolder;
using testing::TestDrive;
using testing::TestDriveLock;

// The page created as a child of a hidden frame, as the options window holds it.
class Page {
 public:
  explicit Page(ConfigStore* settings) : dialog(settings) {
    frame_ = CreateWindowExA(0, "#32770", "", WS_OVERLAPPED, 0, 0, 500, 400, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    dialog.Create(frame_);
  }
  ~Page() {
    dialog.End(0);
    DestroyWindow(frame_);
  }
  // Drive name -> ticked, for every row.
  std::map<std::string, bool> Rows() const {
    std::map<std::string, bool> rows;
    HWND list = dialog.Item(IDC_INDEX_DRIVES);
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
      char name[8] = {0};
      LVITEMA item = {};
      item.pszText = name;
      item.cchTextMax = sizeof name;
      SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      UINT state =
          static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
      rows[name] = (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    }
    return rows;
  }
  void Tick(const std::string& name, bool ticked) {
    HWND list = dialog.Item(IDC_INDEX_DRIVES);
    LVFINDINFOA find = {};
    find.flags = LVFI_STRING;
    find.psz = name.c_str();
    int row =
        static_cast<int>(SendMessageA(list, LVM_FINDITEMA, -1, reinterpret_cast<LPARAM>(&find)));
    LVITEMA state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  }
  int Interval() const {
    return static_cast<int>(SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_GETCURSEL, 0, 0));
  }
  void ChooseInterval(int index) {
    SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_SETCURSEL, index, 0);
  }
  // The patterns of the left-out list, top to bottom.
  std::vector<std::string> Patterns() const {
    HWND list = dialog.Item(IDC_INDEX_EXCLUDE_LIST);
    std::vector<std::string> patterns;
    const int rows = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      char text[512] = {0};
      SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
      patterns.push_back(text);
    }
    return patterns;
  }
  // Types `text` into the pattern box and presses "添加".
  void Add(const std::string& text) {
    SetWindowTextA(dialog.Item(IDC_INDEX_EXCLUDE_PATTERN), text.c_str());
    Press(IDC_INDEX_EXCLUDE_ADD);
  }
  // Selects row `row` of the list and presses "删除".
  void Remove(int row) {
    SendMessageA(dialog.Item(IDC_INDEX_EXCLUDE_LIST), LB_SETCURSEL, row, 0);
    Press(IDC_INDEX_EXCLUDE_REMOVE);
  }
  void Press(int button) {
    SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.Item(button)));
  }

  CIndexOptionDlg dialog;

 private:
  HWND frame_;
};

TEST(IndexOptionDlg, DrivesAndInterval) {
  TestDriveLock lock;
  TestDrive x('X');
  TestDrive y('Y');
  ASSERT_TRUE(x.Mapped() && y.Mapped());
  TempFolder folder;
  ConfigStore settings(folder.Join(kConfigFileName));
  {
    // Nothing saved: every fixed drive ticked; the missing interval becomes 60, "每小时".
    Page page(&settings);
    auto rows = page.Rows();
    EXPECT_TRUE(rows.at("C:") && rows.at("X:") && rows.at("Y:"));
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "60");
    EXPECT_EQ(page.Interval(), 3);
  }
  settings.Set(kConfigIndexPosition, "Y:");
  {
    // "Y:" saved: only Y: ticked. Unticking it is refused and nothing is stored.
    Page page(&settings);
    auto rows = page.Rows();
    EXPECT_FALSE(rows.at("C:"));
    EXPECT_FALSE(rows.at("X:"));
    EXPECT_TRUE(rows.at("Y:"));
    page.Tick("Y:", false);
    DialogAnswerer answerer({kNoticeCaption});
    EXPECT_FALSE(page.dialog.Save());
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], kNoDriveChosenText);
    EXPECT_EQ(settings.GetString(kConfigIndexPosition, ""), "Y:");
  }
  {
    // The fifth interval is stored as "360"; the ticked drives in row order, joined by "|".
    Page page(&settings);
    page.ChooseInterval(4);
    page.Tick("X:", true);
    page.Tick("C:", true);
    EXPECT_TRUE(page.dialog.Save());
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "360");
    EXPECT_EQ(settings.GetString(kConfigIndexPosition, ""), "C:|X:|Y:");
  }
  {
    // A saved interval that is none of the choices leaves the list without a selection, and
    // Save then keeps it.
    settings.Set(kConfigIndexUpdateFreq, "45");
    Page page(&settings);
    EXPECT_EQ(page.Interval(), -1);
    EXPECT_TRUE(page.dialog.Save());
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "45");
  }
}

TEST(IndexOptionDlg, LeftOutFoldersReadBackFromConfig) {
  TempFolder folder;
  const std::string path = folder.Join(kConfigFileName);
  {
    // A Config.xml of an older version, without the key: the defaults are listed, and saving
    // an untouched page neither writes the key nor asks for a rebuild.
    ConfigStore settings(path);
    settings.Set(kConfigIndexPosition, "C:");
    Page page(&settings);
    EXPECT_EQ(page.Patterns(), SplitExcludeList(kDefaultExcludeList));
    EXPECT_TRUE(page.dialog.Save());
    EXPECT_FALSE(page.dialog.IndexChoiceChanged());
    EXPECT_EQ(settings.GetString(kConfigIndexExclude, "(missing)"), "(missing)");
  }
  {
    // Added (blanks dropped, one already listed in another case skipped) and removed; the
    // list is saved in its order and the page says the index wants a rebuild.
    ConfigStore settings(path);
    Page page(&settings);
    page.Remove(0);
    page.Add("  node_modules ");
    page.Add("D:\\Backup");
    page.Add("NODE_MODULES");
    // Return in the box adds what it holds: the dialog manager leaves the key to the box,
    // which would otherwise press the window's "确定".
    HWND box = page.dialog.Item(IDC_INDEX_EXCLUDE_PATTERN);
    SetWindowTextA(box, "build");
    MSG key = {box, WM_KEYDOWN, VK_RETURN, 1, 0, {0, 0}};
    EXPECT_NE(SendMessageA(box, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&key)) &
                  DLGC_WANTALLKEYS,
              0);
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(GetWindowTextLengthA(page.dialog.Item(IDC_INDEX_EXCLUDE_PATTERN)), 0);
    EXPECT_TRUE(page.dialog.Save());
    EXPECT_TRUE(page.dialog.IndexChoiceChanged());
  }
  {
    // Read back from the file by a new store: the same list.
    ConfigStore settings(path);
    const std::vector<std::string> saved = {"RECYCLER", "System Volume Information", "node_modules",
                                            "D:\\Backup", "build"};
    EXPECT_EQ(SplitExcludeList(settings.GetString(kConfigIndexExclude, "")), saved);
    Page page(&settings);
    EXPECT_EQ(page.Patterns(), saved);
    // A pattern that cannot be kept is refused with a message and stays in the box.
    DialogAnswerer answerer({kNoticeCaption});
    page.Add("Backup\\old");
    page.Add("a|b");
    EXPECT_EQ(answerer.texts.size(), 2u);
    EXPECT_EQ(answerer.texts[0], kBadExcludeText);
    EXPECT_EQ(page.Patterns(), saved);
    EXPECT_GT(GetWindowTextLengthA(page.dialog.Item(IDC_INDEX_EXCLUDE_PATTERN)), 0);
    // Everything removed: an empty value, which leaves nothing out (not the defaults).
    for (size_t i = 0; i < saved.size(); ++i) page.Remove(0);
    page.Remove(0);  // nothing selected: nothing happens
    EXPECT_TRUE(page.dialog.Save());
    EXPECT_TRUE(page.dialog.IndexChoiceChanged());
  }
  ConfigStore settings(path);
  EXPECT_EQ(settings.GetString(kConfigIndexExclude, "(missing)"), "");
  Page page(&settings);
  EXPECT_TRUE(page.Patterns().empty());
}

}  // namespace
}  // namespace sorvik
