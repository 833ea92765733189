#include "ui/first_build/index_creation_dlg_win32.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/progress.h"
#include "res/resource_ids.h"
#include "testing/index_test_support.h"
#include "testing/snapshot_test_support.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::TestDrive;
using testing::TestDriveLock;
using testing::WorkFolder;

// Records every status text and can press a control of the dialog on the first one.
class WatchedCreationDlg : public CIndexCreationDlg {
 public:
  using CIndexCreationDlg::CIndexCreationDlg;
  void ShowStatus(const char* text) override {
    CIndexCreationDlg::ShowStatus(text);
    texts.emplace_back(text);
    visible.push_back(IsWindowVisible(Handle()) != FALSE);
    // Pressed at once: a posted press could be overtaken by the build's sent messages.
    if (texts.size() == 1) {
      for (int command : press_on_first) SendMessageA(Handle(), WM_COMMAND, command, 0);
    }
  }
  std::vector<std::string> texts;   // status texts in the order they arrived
  std::vector<bool> visible;        // whether the dialog was visible at each text
  std::vector<int> press_on_first;  // commands sent when the first text arrives
};

// A drive of a few folders and files to build an index of.
void FillDrive(const TestDrive& drive) {
  for (int f = 0; f < 3; ++f) {
    const std::string folder = drive.At("folder" + std::to_string(f));
    CreateFolder(folder);
    for (int i = 0; i < 5; ++i) testing::MakeFile(folder + "\\文件" + std::to_string(i) + ".txt");
  }
}

TEST(IndexCreationDlg, FirstBuildEndsWithUsableIndex) {
  TestDriveLock lock;
  TestDrive drive('X');
  ASSERT_TRUE(drive.Mapped());
  FillDrive(drive);
  WorkFolder work("X:");
  {
    // No index: the notice, the walker's texts, the building text, then "索引建立完成！".
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedCreationDlg dialog(&work.settings, work.build);
    EXPECT_EQ(dialog.RunModal(), IDOK);
    dialog.WaitForWorker();
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], kFirstBuildNotice);
    // The walker's texts are posted and the building text is sent, so they may arrive in
    // either order; the completion always comes last.
    ASSERT_GE(dialog.texts.size(), 3u);
    EXPECT_TRUE(std::any_of(dialog.texts.begin(), dialog.texts.end(), [](const std::string& t) {
      return t.find("正准备获取文件快照") == 0;
    }));
    EXPECT_NE(std::find(dialog.texts.begin(), dialog.texts.end(), kBuildingText),
              dialog.texts.end());
    EXPECT_EQ(dialog.texts.back(), kIndexDoneText);
    EXPECT_TRUE(IndexUsableAt(work.Live()));
    EXPECT_FALSE(PathExists(work.work + kBuildFolder));
  }
  {
    // A usable index: no notice, no texts, OK at once.
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedCreationDlg dialog(&work.settings, work.build);
    EXPECT_EQ(dialog.RunModal(), IDOK);
    EXPECT_TRUE(answerer.texts.empty());
    EXPECT_TRUE(dialog.texts.empty());
  }
}

TEST(IndexCreationDlg, HideAndCancel) {
  TestDriveLock lock;
  TestDrive drive('X');
  ASSERT_TRUE(drive.Mapped());
  FillDrive(drive);
  {
    // Enter does not end the dialog; "完成后通知我" hides it; the build goes on and still ends
    // it with OK.
    WorkFolder work("X:");
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedCreationDlg dialog(&work.settings, work.build);
    dialog.press_on_first = {IDOK, IDC_CREATION_HIDE};
    EXPECT_EQ(dialog.RunModal(), IDOK);
    dialog.WaitForWorker();
    EXPECT_FALSE(dialog.visible.back());
    EXPECT_EQ(dialog.texts.back(), kIndexDoneText);
    EXPECT_TRUE(IndexUsableAt(work.Live()));
  }
  {
    // Esc ends the dialog with cancel while the worker goes on by itself.
    WorkFolder work("X:");
    DialogAnswerer answerer({kFirstBuildNoticeCaption});
    WatchedCreationDlg dialog(&work.settings, work.build);
    dialog.press_on_first = {IDCANCEL};
    EXPECT_EQ(dialog.RunModal(), IDCANCEL);
    dialog.WaitForWorker();
    EXPECT_NE(dialog.texts.back(), kIndexDoneText);
  }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(IndexCreationDlg, TemplateAndClass) {
  // The dialog is found by its class and carries its caption; the text area is hidden.
  ASSERT_TRUE(RegisterIndexCreationClass());
  WNDCLASSA found;
  EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), kProgressWindowClass, &found));
  char caption[128] = {0};
  HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INDEX_CREATION),
                                   nullptr, PlainDialogProc, 0);
  ASSERT_NE(window, nullptr);
  GetWindowTextA(window, caption, sizeof caption);
  EXPECT_STREQ(caption, "系统正在帮您整理文件,请稍后...");
  EXPECT_EQ(FindProgressWindow(), reinterpret_cast<uintptr_t>(window));
  EXPECT_FALSE(GetWindowLongA(GetDlgItem(window, IDC_CREATION_TEXT), GWL_STYLE) & WS_VISIBLE);
  DestroyWindow(window);
}

}  // namespace
}  // namespace sorvik
