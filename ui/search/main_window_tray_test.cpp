// The search window in the notification area: the hot key's registration, the tray icon and its
// menu, the ways back after a logon start, and the two options commands.
#include <gtest/gtest.h>

#include <string>

#include "res/option_ids.h"
#include "testing/index_test_support.h"
#include "ui/command_ids.h"
#include "ui/options/option_main_wnd.h"
#include "ui/options/options_main_dlg.h"
#include "ui/search/main_search_dlg.h"

namespace sorvik {
namespace {

using testing::FakeEnvironment;
using testing::WorkFolder;

// The window with its process end and dialogs recorded and its start kind chosen by the test.
class TrayWindow : public MainSearchDlg {
 public:
  TrayWindow(const MainWindowOptions& options, bool logon)
      : MainSearchDlg(options), logon_(logon) {}
  int ended = 0;
  std::vector<std::string> dialogs;  // the kinds of dialog run

 protected:
  bool StartedByLogon() const override { return logon_; }
  void EndProcess() override { ++ended; }
  void RunDialog(CDialogBase* dialog) override {
    if (dynamic_cast<COptionMainWnd*>(dialog) != nullptr) dialogs.push_back("system");
    if (dynamic_cast<COptionsMainDlg*>(dialog) != nullptr) dialogs.push_back("interval");
  }

 private:
  bool logon_;
};

// Whether another window could not take the combination: some window holds it.
bool HotKeyTaken(UINT modifiers, UINT key) {
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  const bool free = RegisterHotKey(probe, 1, modifiers, key) != FALSE;
  if (free) UnregisterHotKey(probe, 1);
  DestroyWindow(probe);
  return !free;
}

// Handles this thread's messages for up to `ms` milliseconds or until `done` holds.
bool PumpUntil(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms && !done(); waited += 20) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
  return done();
}

class TrayTest : public ::testing::Test {
 protected:
  TrayTest() : work("C:") {
    work.settings.Set(kConfigAutorun, "false");
    index = std::make_unique<IndexManager>(
        work.work, std::make_unique<FakeEnvironment>(&work.settings, work.build), false);
  }
  void Open(bool logon) {
    MainWindowOptions options;
    options.index = index.get();
    options.settings = &work.settings;
    window = std::make_unique<TrayWindow>(options, logon);
    ASSERT_NE(window->Create(nullptr), nullptr);
  }
  bool Visible() { return IsWindowVisible(window->Handle()) != FALSE; }

  WorkFolder work;
  std::unique_ptr<IndexManager> index;
  std::unique_ptr<TrayWindow> window;
};

TEST_F(TrayTest, HotKeyRegistration) {
  {
    // No "shortcut_key": Ctrl + K, held until the window goes.
    Open(false);
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, 'K'));
    window.reset();
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, 'K'));
  }
  {
    // "0" registers nothing.
    work.settings.Set(kConfigShortcutKey, "0");
    Open(false);
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, 'K'));
    window.reset();
  }
  {
    // Ctrl alone (65536) is Ctrl with virtual key 0; Ctrl + Shift + F5 maps both modifiers.
    work.settings.Set(kConfigShortcutKey, "65536");
    Open(false);
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, 0));
    window.reset();
    work.settings.Set(kConfigShortcutKey, std::to_string(0x30074));
    Open(false);
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_SHIFT, VK_F5));
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, VK_F5));
  }
  {
    // The exit command gives the key back and takes the icon away.
    SendMessageA(window->Handle(), WM_COMMAND, kCmdExit, 0);
    EXPECT_EQ(window->ended, 1);
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL | MOD_SHIFT, VK_F5));
    EXPECT_FALSE(window->Tray().Enabled());
  }
}

TEST_F(TrayTest, LogonStartComesBackOnEveryRequest) {
  {
    // A logon start stays hidden, with the icon in place.
    Open(true);
    EXPECT_FALSE(Visible());
    EXPECT_TRUE(window->Tray().Enabled());
    // Another id or mouse message is not the icon's click.
    SendMessageA(window->Handle(), kMsgTrayCallback, 5, WM_LBUTTONDOWN);
    SendMessageA(window->Handle(), kMsgTrayCallback, kTrayIconId, WM_MOUSEMOVE);
    EXPECT_FALSE(Visible());
    // A left click on the icon shows it.
    SendMessageA(window->Handle(), kMsgTrayCallback, kTrayIconId, WM_LBUTTONDOWN);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(window->MayShow());
  }
  {
    // The hot key message shows it.
    Open(true);
    SendMessageA(window->Handle(), WM_HOTKEY, kHotKeyId, 0);
    EXPECT_TRUE(Visible());
  }
  {
    // A second start of the program shows it maximised.
    Open(true);
    SendMessageA(window->Handle(), kMsgShowRunning, 0, 0);
    EXPECT_TRUE(Visible());
    EXPECT_TRUE(IsZoomed(window->Handle()));
  }
  {
    // Closing hides it again; the shell's restart puts the icon back.
    SendMessageA(window->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(Visible());
    SendMessageA(window->Handle(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(window->Tray().Enabled());
  }
}

TEST_F(TrayTest, RealHotKeyPressShowsTheHiddenWindow) {
  Open(true);
  ASSERT_FALSE(Visible());
  // The system passes hot keys on only while one of the program's windows has the focus.
  HWND focus = CreateWindowExA(0, "EDIT", "focus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200,
                               100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(focus);
  SetFocus(focus);
  PumpUntil([] { return false; }, 500);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Without a window manager the key goes to the window under the pointer.
  char command[] = "Z:\\usr\\bin\\xdotool mousemove 100 60 sleep 0.3 key ctrl+k";
  ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << "xdotool could not be started";
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_TRUE(PumpUntil([this] { return Visible(); }, 5000));
  DestroyWindow(focus);
}

// Reads the open tray menu from a timer while the menu runs, then closes it.
struct MenuReader {
  static inline std::vector<std::string> items;
  static inline int default_item = -2;
  static inline bool default_bold = false;
  static void CALLBACK Read(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowA("#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) return;
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[64] = {0};
      GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
      items.push_back(text);
    }
    default_item = static_cast<int>(GetMenuDefaultItem(menu, TRUE, 0));
    default_bold = (GetMenuState(menu, 0, MF_BYPOSITION) & MFS_DEFAULT) != 0;
    EndMenu();
  }
};

TEST_F(TrayTest, RightClickShowsTheTrayMenu) {
  Open(false);
  UINT_PTR timer = SetTimer(nullptr, 0, 50, MenuReader::Read);
  SendMessageA(window->Handle(), kMsgTrayCallback, kTrayIconId, WM_RBUTTONUP);
  KillTimer(nullptr, timer);
  EXPECT_EQ(MenuReader::items, (std::vector<std::string>{"显示主界面", "", "退    出"}));
  EXPECT_EQ(MenuReader::default_item, 0);
  EXPECT_TRUE(MenuReader::default_bold);
}

TEST_F(TrayTest, OptionsCommandsOpenTheirDialogs) {
  Open(false);
  SendMessageA(window->Handle(), WM_COMMAND, kCmdIndexOptions, 0);
  SendMessageA(window->Handle(), WM_COMMAND, kCmdSystemOptions, 0);
  EXPECT_EQ(window->dialogs, (std::vector<std::string>{"interval", "system"}));
}

}  // namespace
}  // namespace sorvik
