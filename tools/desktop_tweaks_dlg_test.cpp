#include "tools/desktop_tweaks_dlg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "testing/desktop_test_support.h"
#include "widgets/check_list.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::FakeHandlerClass;
using testing::TestRegistry;

constexpr char kHandlerClsid[] = "{5E1F0A10-0000-4000-8000-00000000B001}";
constexpr char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";

// The dialog on test roots, created modelessly, with the shell notification counted.
class TestTweaksDlg : public CDesktopTweaksDlg {
 public:
  explicit TestTweaksDlg(const DesktopRegistry& roots) : CDesktopTweaksDlg(roots) {
    Create(nullptr);
  }
  HWND List() const { return Item(IDC_TWEAKS_LIST); }
  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < ListRowCount(List()); ++row)
      texts.push_back(CellText(List(), row, column));
    return texts;
  }
  std::vector<int> States() const {
    std::vector<int> states;
    for (int row = 0; row < ListRowCount(List()); ++row)
      states.push_back(RowStateImage(List(), row));
    return states;
  }
  int notified = 0;

 protected:
  void NotifyShell() override { ++notified; }
};

// A machine with the shortcut arrow already removed, Explorer's shortcut text on, the recycle
// bin hidden from the desktop and one switched-off context-menu handler.
class TweaksDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    handler_ =
        std::make_unique<FakeHandlerClass>(kHandlerClsid, testing::FakeHandlerKind{{"共享(&S)"}});
    HKEY classes = registry_.roots.classes;
    TestRegistry::SetValue(classes, "lnkfile", "NeverShowExt", REG_SZ, std::string(1, '\0'));
    TestRegistry::SetValue(registry_.roots.user, kExplorerKey, "Link", REG_BINARY,
                           std::string("\x1e\0\0\0", 4));
    TestRegistry::SetDword(registry_.roots.user, kDesktopIconsKey, kRecycleBin, 1);
    registry_.SetHandler("Sharing", std::string("_") + kHandlerClsid);
  }
  void TearDown() override {
    handler_.reset();
    CoUninitialize();
  }
  std::string Value(HKEY root, const std::string& path, const char* name) {
    DWORD type = 0;
    std::string bytes;
    return TestRegistry::Read(root, path, name, &type, &bytes) ? bytes : "(none)";
  }

  std::unique_ptr<FakeHandlerClass> handler_;  // registered once COM is initialised
  TestRegistry registry_;
};

TEST_F(TweaksDialogTest, RowsShowEachOptionAndItsState) {
  TestTweaksDlg dialog(registry_.roots);
  EXPECT_EQ(dialog.Column(0),
            (std::vector<std::string>{"消除快捷方式图标上的小箭头", "禁止添加“快捷方式”文字",
                                      "桌面显示“回收站”", "桌面右键显示“共享(&S)”"}));
  EXPECT_EQ(dialog.States(), (std::vector<int>{2, 1, 1, 1}));
}

TEST_F(TweaksDialogTest, ApplyWritesEveryRowAndReportsSuccess) {
  TestTweaksDlg dialog(registry_.roots);
  // Tick the handler and the recycle bin; the arrow stays ticked, the shortcut text cleared.
  SetRowChecked(dialog.List(), 2, true);
  SetRowChecked(dialog.List(), 3, true);
  DialogAnswerer answerer({kTweaksCaption});
  SendMessageA(dialog.Handle(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(answerer.texts, std::vector<std::string>{kTweaksDoneText});
  EXPECT_EQ(dialog.notified, 1);
  EXPECT_EQ(dialog.Handle(), nullptr);
  EXPECT_EQ(registry_.HandlerValue("Sharing"), kHandlerClsid);
  EXPECT_EQ(Value(registry_.roots.user, kDesktopIconsKey, kRecycleBin), std::string(4, '\0'));
  // The arrow ticked with "IsShortcut" already absent changes nothing; a cleared shortcut text
  // writes nothing.
  EXPECT_EQ(Value(registry_.roots.classes, "lnkfile", "IsShortcut"), "(none)");
  EXPECT_EQ(Value(registry_.roots.classes, "lnkfile", "NeverShowExt"), std::string(1, '\0'));
  EXPECT_EQ(Value(registry_.roots.user, kExplorerKey, "Link"), std::string("\x1e\0\0\0", 4));
}

TEST_F(TweaksDialogTest, CloseWritesNothing) {
  TestTweaksDlg dialog(registry_.roots);
  for (int row = 0; row < 4; ++row) SetRowChecked(dialog.List(), row, row != 0);
  DialogAnswerer answerer({kTweaksCaption});
  SendMessageA(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(answerer.texts.empty());
  EXPECT_EQ(dialog.notified, 0);
  EXPECT_EQ(registry_.HandlerValue("Sharing"), std::string("_") + kHandlerClsid);
  EXPECT_EQ(Value(registry_.roots.classes, "lnkfile", "IsShortcut"), "(none)");
  EXPECT_EQ(Value(registry_.roots.user, kDesktopIconsKey, kRecycleBin), std::string("\1\0\0\0", 4));
}

}  // namespace
}  // namespace sorvik
