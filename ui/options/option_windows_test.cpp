// The hot-key box, "选项" and "系统选项" on settings files of their own.
#include <windows.h>
// (the common controls need windows.h first)
#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "res/option_ids.h"
#include "res/resource_ids.h"
#include "settings/autorun.h"
#include "settings/config_store.h"
#include "testing/test_util.h"
#include "ui/command_ids.h"
#include "ui/options/edit_hot_key.h"
#include "ui/options/option_main_wnd.h"
#include "ui/options/options_main_dlg.h"
#include "ui/tray/hot_key.h"
#include "widgets/window_base.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::DialogAnswerer;
using testing::TempFolder;

std::string TextOf(HWND window) {
  char text[256] = {0};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Holds the given keys down in this thread's keyboard state (what GetKeyState reads).
void HoldKeys(std::initializer_list<int> keys) {
  BYTE state[256] = {0};
  for (int key : keys) state[key] = 0x80;
  SetKeyboardState(state);
}

// A key pressed in `edit` the way the dialog loop delivers it: the key-down, then the
// character that the loop's translation makes of it.
void Press(HWND edit, int key, std::initializer_list<int> held) {
  HoldKeys(held);
  SendMessageA(edit, WM_KEYDOWN, key, 1);
  if (key >= 'A' && key <= 'Z') SendMessageA(edit, WM_CHAR, key, 1);
  SendMessageA(edit, WM_KEYUP, key, 1);
  HoldKeys({});
}

// A key as the dialog's message loop delivers it: the dialog manager first, then translation
// and dispatch of the key and of the characters the translation makes.
void DialogKey(HWND dialog, int key, std::initializer_list<int> held) {
  HoldKeys(held);
  for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
    if (!IsWindow(dialog)) break;
    MSG msg = {GetFocus(), message, static_cast<WPARAM>(key), 1, 0, {0, 0}};
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    MSG typed;
    while (PeekMessageA(&typed, nullptr, WM_CHAR, WM_DEADCHAR, PM_REMOVE))
      if (!IsWindow(dialog) || !IsDialogMessageA(dialog, &typed)) DispatchMessageA(&typed);
  }
  HoldKeys({});
}

bool RunValuePresent() {
  char data[600] = {0};
  DWORD size = sizeof data;
  return RegGetValueA(HKEY_LOCAL_MACHINE, kRunKey, kRunValueName, RRF_RT_ANY, nullptr, data,
                      &size) == ERROR_SUCCESS;
}

// What an edit's parent received: the Enter message and its first parameter.
struct EnterRecord {
  static inline int count = 0;
  static inline WPARAM control = 0;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kMsgKeywordEnter) {
      ++count;
      control = wparam;
      return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
};

TEST(EditBase, EnterAndDoubleClick) {
  HWND holder = testing::CreateHolderWindow("SorvikEditHolder", EnterRecord::Proc, 300, 100);
  HWND edit = CreateWindowExA(0, "EDIT", "报告 2024", WS_CHILD | WS_VISIBLE, 0, 0, 200, 20, holder,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  CEditBase box;
  ASSERT_TRUE(box.Attach(edit));
  {
    // Return goes to the parent with the control as first parameter; the text stays.
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageA(edit, WM_CHAR, '\r', 1);
    EXPECT_EQ(EnterRecord::count, 1);
    EXPECT_EQ(EnterRecord::control, reinterpret_cast<WPARAM>(edit));
    EXPECT_EQ(TextOf(edit), "报告 2024");
  }
  {
    // A double-click selects the whole text.
    SendMessageA(edit, EM_SETSEL, 2, 2);
    SendMessageA(edit, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    DWORD start = 1;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 7u);  // "报告 2024" counted in characters
  }
  DestroyWindow(holder);
}

TEST(HotKeyBox, TextAndCapture) {
  {
    // The value's text: modifiers in the order Ctrl, Shift, Alt, then the key's name.
    EXPECT_EQ(HotKeyText(0x1004B), "Ctrl + K");
    EXPECT_EQ(HotKeyText(0x60070), "Shift + Alt + F1");
    EXPECT_EQ(HotKeyText(0x10060), "Ctrl + Num0");
    EXPECT_EQ(HotKeyText(0x2006B), "Shift + Num +");
    EXPECT_EQ(HotKeyText(0x40087), "Alt + F24");
    EXPECT_EQ(HotKeyText(0x00021), "");  // Page Up has no name
  }
  HWND frame = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 200, 20, frame, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  CEditHotKey box;
  ASSERT_TRUE(box.Attach(edit));
  {
    // Ctrl+Shift+F5: the text and the value of the combination.
    Press(edit, VK_F5, {VK_CONTROL, VK_SHIFT});
    EXPECT_EQ(TextOf(edit), "Ctrl + Shift + F5");
    EXPECT_EQ(box.Value(), 0x30074u);
  }
  {
    // Keys without a name never replace the combination: Ctrl alone, Ctrl+Page Up, Space,
    // Backspace, Tab, Return and Esc sent straight to the box.
    for (int key : {VK_CONTROL, VK_PRIOR, VK_SPACE, VK_BACK, VK_TAB, VK_RETURN, VK_ESCAPE}) {
      Press(edit, key, {VK_CONTROL});
      EXPECT_EQ(TextOf(edit), "Ctrl + Shift + F5") << key;
      EXPECT_EQ(box.Value(), 0x30074u) << key;
    }
  }
  {
    // The dialog manager keeps Tab, Return and Esc; every other key-down is the box's.
    for (int key : {VK_TAB, VK_RETURN, VK_ESCAPE, static_cast<int>('K'), VK_F5, VK_LEFT}) {
      MSG message = {edit, WM_KEYDOWN, static_cast<WPARAM>(key), 1, 0, {0, 0}};
      const LRESULT code =
          SendMessageA(edit, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&message));
      EXPECT_EQ((code & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS | DLGC_WANTTAB)) != 0,
                !IsDialogNavigationKey(key))
          << key;
    }
  }
  {
    // A letter shows once: its character never reaches the edit.
    Press(edit, 'K', {VK_CONTROL});
    EXPECT_EQ(TextOf(edit), "Ctrl + K");
    EXPECT_EQ(box.Value(), 0x1004Bu);
  }
  {
    // SetValue(0) keeps the text; another value replaces it.
    box.SetValue(0);
    EXPECT_EQ(TextOf(edit), "Ctrl + K");
    box.SetValue(0x60070);
    EXPECT_EQ(TextOf(edit), "Shift + Alt + F1");
  }
  DestroyWindow(frame);
}

// "选项" created as a page would be, so that the test can work it before pressing OK.
TEST(IntervalDialog, StoresTheChosenInterval) {
  TempFolder folder;
  ConfigStore settings(folder.Join(kConfigFileName));
  auto selection = [](const CDialogBase& dialog) {
    return static_cast<int>(SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_GETCURSEL, 0, 0));
  };
  {
    // A missing interval is written as "60" when the dialog opens and shown as "每小时".
    COptionsMainDlg dialog(&settings);
    ASSERT_NE(dialog.Create(nullptr), nullptr);
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "60");
    EXPECT_EQ(selection(dialog), 3);
    EXPECT_EQ(SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_GETCOUNT, 0, 0), 7);
    // "手工更新索引" is stored as "-1".
    SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_SETCURSEL, 0, 0);
    SendMessageA(dialog.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "-1");
  }
  {
    // "45" is none of the choices: nothing selected, and OK stores nothing.
    settings.Set(kConfigIndexUpdateFreq, "45");
    COptionsMainDlg dialog(&settings);
    ASSERT_NE(dialog.Create(nullptr), nullptr);
    EXPECT_EQ(selection(dialog), -1);
    SendMessageA(dialog.Handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "45");
  }
  {
    // Cancel stores nothing either.
    COptionsMainDlg dialog(&settings);
    ASSERT_NE(dialog.Create(nullptr), nullptr);
    SendMessageA(dialog.Item(IDC_INDEX_FREQUENCY), CB_SETCURSEL, 6, 0);
    SendMessageA(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "45");
  }
}

class SystemOptionsTest : public ::testing::Test {
 protected:
  SystemOptionsTest() : settings(folder.Join(kConfigFileName)) {}
  void Open() {
    window = std::make_unique<COptionMainWnd>(&settings);
    ASSERT_NE(window->Create(nullptr), nullptr);
  }
  bool Checked(int id) { return IsDlgButtonChecked(window->Handle(), id) == BST_CHECKED; }
  bool Shown(int id) { return (GetWindowLongA(window->Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  bool IndexPageShown() {
    return (GetWindowLongA(window->IndexPage().Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void SelectPage(const char* text) {
    HWND tree = window->Item(IDC_OPTION_PAGES);
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (std::string(text) == kIndexPageText)
      item = reinterpret_cast<HTREEITEM>(
          SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  void Ok() { SendMessageA(window->Handle(), WM_COMMAND, IDOK, 0); }

  TempFolder folder;
  ConfigStore settings;
  std::unique_ptr<COptionMainWnd> window;
};

TEST_F(SystemOptionsTest, FreshSettingsAndOkWithoutChanges) {
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  // A fresh file: every box checked, the hot key Ctrl + K, the general page showing.
  EXPECT_TRUE(Checked(IDC_OPTION_AUTORUN));
  EXPECT_TRUE(Checked(IDC_OPTION_DRAG_COPY));
  EXPECT_TRUE(Checked(IDC_OPTION_REMOVABLE));
  EXPECT_EQ(TextOf(window->Item(IDC_OPTION_HOT_KEY)), "Ctrl + K");
  EXPECT_TRUE(Shown(IDC_OPTION_HOT_KEY));
  EXPECT_FALSE(IndexPageShown());
  // OK without changes writes all four keys and the Run value, then closes.
  Ok();
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(settings.GetString(kConfigShortcutKey, ""), "65611");
  EXPECT_EQ(settings.GetString(kConfigAutorun, ""), "true");
  EXPECT_EQ(settings.GetString(kConfigDragCopy, ""), "true");
  EXPECT_EQ(settings.GetString(kConfigIndexRemovable, ""), "true");
  EXPECT_TRUE(RunValuePresent());
  SetAutorun(false);
}

TEST_F(SystemOptionsTest, ClearedBoxesAndTheRunValue) {
  settings.Set(kConfigIndexPosition, "C:");
  settings.Set(kConfigDragCopy, "TRUE");  // not exactly "true": unchecked
  SetAutorun(true);
  Open();
  EXPECT_FALSE(Checked(IDC_OPTION_DRAG_COPY));
  // Clearing auto-start and pressing OK removes the Run value at once.
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  Ok();
  EXPECT_FALSE(RunValuePresent());
  EXPECT_EQ(settings.GetString(kConfigAutorun, ""), "false");
  EXPECT_EQ(settings.GetString(kConfigDragCopy, ""), "false");
}

TEST_F(SystemOptionsTest, PinyinBoxIsOffUntilTicked) {
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  EXPECT_FALSE(Checked(IDC_OPTION_PINYIN));
  EXPECT_EQ(TextOf(window->Item(IDC_OPTION_PINYIN)), "支持拼音首字母搜索");
  // Laid out under the other boxes, at their left edge and spacing, inside the group box.
  RECT removable = RectInParent(window->Item(IDC_OPTION_REMOVABLE));
  RECT drag = RectInParent(window->Item(IDC_OPTION_DRAG_COPY));
  RECT pinyin = RectInParent(window->Item(IDC_OPTION_PINYIN));
  RECT group = RectInParent(window->Item(IDC_OPTION_OTHER_GROUP));
  EXPECT_EQ(pinyin.left, removable.left);
  EXPECT_EQ(pinyin.top - removable.top, removable.top - drag.top);
  EXPECT_LT(pinyin.bottom, group.bottom);
  SelectPage(kIndexPageText);
  EXPECT_FALSE(Shown(IDC_OPTION_PINYIN));
  SelectPage(kGeneralPageText);
  CheckDlgButton(window->Handle(), IDC_OPTION_PINYIN, BST_CHECKED);
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  Ok();
  EXPECT_EQ(settings.GetString(kConfigPinyinSearch, ""), "true");
  Open();
  EXPECT_TRUE(Checked(IDC_OPTION_PINYIN));
  SendMessageA(window->Handle(), WM_COMMAND, IDCANCEL, 0);
  SetAutorun(false);
}

TEST_F(SystemOptionsTest, LiveUpdateBoxIsOnUntilCleared) {
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  EXPECT_TRUE(Checked(IDC_OPTION_LIVE_UPDATE));  // "live_update" missing: on
  EXPECT_EQ(TextOf(window->Item(IDC_OPTION_LIVE_UPDATE)), "实时更新索引");
  // Under the pinyin box, at the boxes' left edge and spacing, inside the group box, and clear
  // of the buttons below it.
  RECT pinyin = RectInParent(window->Item(IDC_OPTION_PINYIN));
  RECT removable = RectInParent(window->Item(IDC_OPTION_REMOVABLE));
  RECT live = RectInParent(window->Item(IDC_OPTION_LIVE_UPDATE));
  RECT group = RectInParent(window->Item(IDC_OPTION_OTHER_GROUP));
  RECT ok = RectInParent(window->Item(IDOK));
  EXPECT_EQ(live.left, pinyin.left);
  EXPECT_EQ(live.top - pinyin.top, pinyin.top - removable.top);
  EXPECT_LT(live.bottom, group.bottom);
  EXPECT_LT(group.bottom, ok.top);
  SelectPage(kIndexPageText);
  EXPECT_FALSE(Shown(IDC_OPTION_LIVE_UPDATE));
  SelectPage(kGeneralPageText);
  CheckDlgButton(window->Handle(), IDC_OPTION_LIVE_UPDATE, BST_UNCHECKED);
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  Ok();
  EXPECT_EQ(settings.GetString(kConfigLiveUpdate, ""), "false");
  Open();
  EXPECT_FALSE(Checked(IDC_OPTION_LIVE_UPDATE));
  SendMessageA(window->Handle(), WM_COMMAND, IDCANCEL, 0);
  SetAutorun(false);
}

// The boxes added after the first release: each shows its default while its key is missing,
// sits under the one before at the same spacing inside the group, and stores what is ticked.
TEST_F(SystemOptionsTest, NewerBoxesShowTheirDefaultsAndStoreChanges) {
  struct Box {
    int id;
    const char* key;
    const char* text;
    bool missing;
  };
  const Box boxes[] = {
      {IDC_OPTION_SEARCH_AS_YOU_TYPE, kConfigSearchAsYouType, "输入时即时搜索", true},
      {IDC_OPTION_SORT_ALL, kConfigSortAllResults, "按列排序全部结果", false},
  };
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  RECT group = RectInParent(window->Item(IDC_OPTION_OTHER_GROUP));
  RECT ok = RectInParent(window->Item(IDOK));
  EXPECT_LT(group.bottom, ok.top);
  RECT above = RectInParent(window->Item(IDC_OPTION_LIVE_UPDATE));
  const LONG spacing = above.top - RectInParent(window->Item(IDC_OPTION_PINYIN)).top;
  for (const Box& box : boxes) {
    EXPECT_EQ(Checked(box.id), box.missing) << box.text;
    EXPECT_EQ(TextOf(window->Item(box.id)), box.text);
    RECT rect = RectInParent(window->Item(box.id));
    EXPECT_EQ(rect.left, above.left) << box.text;
    EXPECT_EQ(rect.top - above.top, spacing) << box.text;
    EXPECT_LT(rect.bottom, group.bottom) << box.text;
    above = rect;
  }
  SelectPage(kIndexPageText);
  for (const Box& box : boxes) EXPECT_FALSE(Shown(box.id)) << box.text;
  SelectPage(kGeneralPageText);
  for (const Box& box : boxes)
    CheckDlgButton(window->Handle(), box.id, box.missing ? BST_UNCHECKED : BST_CHECKED);
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  Ok();
  for (const Box& box : boxes)
    EXPECT_EQ(settings.GetString(box.key, ""), box.missing ? "false" : "true") << box.text;
  Open();
  for (const Box& box : boxes) EXPECT_EQ(Checked(box.id), !box.missing) << box.text;
  SendMessageA(window->Handle(), WM_COMMAND, IDCANCEL, 0);
  SetAutorun(false);
}

TEST_F(SystemOptionsTest, RefusedIndexPageKeepsTheWindowOpen) {
  settings.Set(kConfigIndexPosition, "Q:");  // no such drive: nothing ticked
  settings.Set(kConfigShortcutKey, "0");
  Open();
  EXPECT_EQ(TextOf(window->Item(IDC_OPTION_HOT_KEY)), "");
  CheckDlgButton(window->Handle(), IDC_OPTION_REMOVABLE, BST_UNCHECKED);
  {
    DialogAnswerer answerer({"提示"});
    Ok();
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], "请至少选择一个硬盘！");
  }
  // Still open; the general settings are saved already, the drives are not.
  EXPECT_NE(window->Handle(), nullptr);
  EXPECT_EQ(settings.GetString(kConfigIndexRemovable, ""), "false");
  EXPECT_EQ(settings.GetString(kConfigShortcutKey, ""), "0");
  EXPECT_EQ(settings.GetString(kConfigIndexPosition, ""), "Q:");
  SetAutorun(false);
}

TEST_F(SystemOptionsTest, SwitchingPagesKeepsTheEdits) {
  settings.Set(kConfigIndexPosition, "C:");
  Open();
  HWND page = window->IndexPage().Handle();
  ASSERT_NE(page, nullptr);
  // The index page sits right of the tree, as tall as the tree.
  RECT tree = RectInParent(window->Item(IDC_OPTION_PAGES));
  RECT placed = RectInParent(page);
  EXPECT_EQ(placed.left, tree.right + 4);
  EXPECT_EQ(placed.top, tree.top - 10);
  EXPECT_EQ(placed.bottom - placed.top, tree.bottom - tree.top);
  CheckDlgButton(window->Handle(), IDC_OPTION_DRAG_COPY, BST_UNCHECKED);
  Press(window->Item(IDC_OPTION_HOT_KEY), VK_F9, {VK_MENU});
  SelectPage(kIndexPageText);
  EXPECT_TRUE(IndexPageShown());
  for (int id :
       {IDC_OPTION_AUTORUN, IDC_OPTION_DRAG_COPY, IDC_OPTION_REMOVABLE, IDC_OPTION_KEY_GROUP,
        IDC_OPTION_OTHER_GROUP, IDC_OPTION_KEY_LABEL, IDC_OPTION_HOT_KEY, IDC_OPTION_KEY_HINT})
    EXPECT_FALSE(Shown(id)) << id;
  SendMessageA(window->IndexPage().Item(IDC_INDEX_FREQUENCY), CB_SETCURSEL, 5, 0);
  SelectPage(kGeneralPageText);
  EXPECT_FALSE(IndexPageShown());
  EXPECT_TRUE(Shown(IDC_OPTION_HOT_KEY));
  EXPECT_FALSE(Checked(IDC_OPTION_DRAG_COPY));
  EXPECT_EQ(TextOf(window->Item(IDC_OPTION_HOT_KEY)), "Alt + F9");
  // OK stores what was chosen on both pages.
  SetAutorun(false);
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  Ok();
  EXPECT_EQ(settings.GetString(kConfigShortcutKey, ""), std::to_string(0x40078));
  EXPECT_EQ(settings.GetString(kConfigDragCopy, ""), "false");
  EXPECT_EQ(settings.GetString(kConfigIndexUpdateFreq, ""), "1440");
  EXPECT_EQ(settings.GetString(kConfigIndexPosition, ""), "C:");
}

TEST_F(SystemOptionsTest, TabReturnAndEscWorkTheDialogFromTheHotKeyBox) {
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  HWND dialog = window->Handle();
  HWND box = window->Item(IDC_OPTION_HOT_KEY);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(box);
  ASSERT_EQ(GetFocus(), box);
  {
    // Tab moves on and the box keeps Ctrl + K; Shift+Tab comes back, and moves on again.
    DialogKey(dialog, VK_TAB, {});
    EXPECT_NE(GetFocus(), box);
    EXPECT_EQ(TextOf(box), "Ctrl + K");
    DialogKey(dialog, VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), box);
    DialogKey(dialog, VK_TAB, {VK_SHIFT});
    EXPECT_NE(GetFocus(), box);
    EXPECT_EQ(TextOf(box), "Ctrl + K");
    EXPECT_EQ(window->HotKeyBox().Value(), 0x1004Bu);
  }
  {
    // Keys without a name leave it too.
    SetFocus(box);
    for (int key : {VK_CONTROL, VK_SPACE, VK_PRIOR, VK_BACK}) DialogKey(dialog, key, {VK_CONTROL});
    EXPECT_EQ(TextOf(box), "Ctrl + K");
  }
  {
    // Return confirms: the window closes and Config.xml still holds Ctrl + K.
    CheckDlgButton(dialog, IDC_OPTION_AUTORUN, BST_UNCHECKED);
    SetFocus(box);
    DialogKey(dialog, VK_RETURN, {});
    EXPECT_EQ(window->Handle(), nullptr);
    ConfigStore reread(folder.Join(kConfigFileName));
    EXPECT_EQ(reread.GetString(kConfigShortcutKey, ""), "65611");
  }
}

// Run from the modal loop of "系统选项": a combination typed, then Esc.
std::function<void()> g_in_modal_loop;
void CALLBACK RunInModalLoop(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (g_in_modal_loop) g_in_modal_loop();
}

TEST_F(SystemOptionsTest, EscInTheHotKeyBoxCancelsAndLeavesTheFile) {
  settings.Set(kConfigIndexPosition, "C:");
  settings.Set(kConfigShortcutKey, "65611");
  settings.Set(kConfigIndexUpdateFreq, "60");  // the index page writes it when it is missing
  const std::string before = testing::ReadText(folder.Join(kConfigFileName));
  COptionMainWnd dialog(&settings);
  std::string typed;
  g_in_modal_loop = [&] {
    HWND box = dialog.Item(IDC_OPTION_HOT_KEY);
    SetFocus(box);
    DialogKey(dialog.Handle(), 'J', {VK_CONTROL, VK_MENU});
    typed = TextOf(box);
    DialogKey(dialog.Handle(), VK_ESCAPE, {});
  };
  SetTimer(nullptr, 0, 50, RunInModalLoop);
  EXPECT_EQ(dialog.RunModal(nullptr), IDCANCEL);
  g_in_modal_loop = nullptr;
  EXPECT_EQ(typed, "Ctrl + Alt + J");
  EXPECT_EQ(testing::ReadText(folder.Join(kConfigFileName)), before);
}

TEST_F(SystemOptionsTest, RefusedHotKeysKeepTheStoredOne) {
  settings.Set(kConfigIndexPosition, "C:");
  SetAutorun(false);
  Open();
  CheckDlgButton(window->Handle(), IDC_OPTION_AUTORUN, BST_UNCHECKED);
  HWND box = window->Item(IDC_OPTION_HOT_KEY);
  std::string stored;
  {
    // F5 without a modifier: refused with a message; the box shows Ctrl + K again, nothing is
    // written and the window stays open.
    Press(box, VK_F5, {});
    EXPECT_EQ(TextOf(box), "F5");
    DialogAnswerer answerer({kOptionsCaption});
    Ok();
    EXPECT_EQ(answerer.texts, std::vector<std::string>{kHotKeyNeedsModifier});
    EXPECT_NE(window->Handle(), nullptr);
    EXPECT_EQ(TextOf(box), "Ctrl + K");
    EXPECT_FALSE(settings.Get(kConfigShortcutKey, &stored));
  }
  const UINT held = MOD_CONTROL | MOD_ALT;
  ASSERT_TRUE(RegisterHotKey(nullptr, 0x3456, held, 'J'));
  {
    // Ctrl+Alt+J while another holds it: refused the same way.
    Press(box, 'J', {VK_CONTROL, VK_MENU});
    DialogAnswerer answerer({kOptionsCaption});
    Ok();
    EXPECT_EQ(answerer.texts, std::vector<std::string>{kHotKeyTaken});
    EXPECT_NE(window->Handle(), nullptr);
    EXPECT_EQ(TextOf(box), "Ctrl + K");
    EXPECT_FALSE(settings.Get(kConfigShortcutKey, &stored));
  }
  UnregisterHotKey(nullptr, 0x3456);
  {
    // Once it is free it is taken and stored.
    Press(box, 'J', {VK_CONTROL, VK_MENU});
    Ok();
    EXPECT_EQ(window->Handle(), nullptr);
    ConfigStore reread(folder.Join(kConfigFileName));
    EXPECT_EQ(reread.GetString(kConfigShortcutKey, ""), std::to_string(0x5004A));
  }
}

}  // namespace
}  // namespace sorvik
