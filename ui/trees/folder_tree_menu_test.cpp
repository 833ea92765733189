// The location tree's context menu when the shell fails: the two messages with the result code.
#include <gtest/gtest.h>

#include <string>

#include "ui/trees/folder_item.h"
#include "ui/trees/folder_tree.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

// A menu of one item whose command always fails.
class FailingMenu : public IContextMenu {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IContextMenu ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT first, UINT,
                                             UINT) override {
    InsertMenuA(menu, index, MF_BYPOSITION | MF_STRING, first, "item");
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    verbs.push_back(reinterpret_cast<UINT_PTR>(info->lpVerb));
    return E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override {
    return E_NOTIMPL;
  }
  std::vector<UINT_PTR> verbs;  // the verbs invoked
};

// A folder that answers only the request for an item's menu: with `ui_result` when that is a
// failure, else with `menu`.
class MenuFolder : public IShellFolder {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IShellFolder ? this : nullptr;
    return *out != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*,
                                             ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*,
                                          void** out) override {
    *out = nullptr;
    if (FAILED(ui_result)) return ui_result;
    *out = static_cast<IContextMenu*>(&menu);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCWSTR, SHGDNF,
                                      LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }
  HRESULT ui_result = S_OK;
  FailingMenu menu;
};

class MenuTree : public CFolderTree {
 public:
  using CFolderTree::ShowContextMenu;
};

BOOL CALLBACK FindShownMenu(HWND window, LPARAM found) {
  char name[16] = {0};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32768" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Chooses the first item of the open menu with the keyboard.
void CALLBACK ChooseFirstItem(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND menu = nullptr;
  EnumWindows(FindShownMenu, reinterpret_cast<LPARAM>(&menu));
  if (menu == nullptr) return;
  KillTimer(nullptr, timer);
  PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
}

TEST(FolderTreeMenu, ShellFailuresAreReportedWithTheirCode) {
  CoInitialize(nullptr);
  HWND holder = testing::CreateHolderWindow("SorvikTreeMenuHolder", DefWindowProcA, 300, 300,
                                            WS_POPUP | WS_VISIBLE);
  MenuTree tree;
  ASSERT_TRUE(tree.Create(holder, RECT{0, 0, 300, 300}, 502));
  MenuFolder folder;
  BYTE raw_id[] = {3, 0, 'x', 0, 0};  // one identifier of one byte, then the terminator
  TVINSERTSTRUCTA insert = {};
  insert.hParent = TVI_ROOT;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>("x");
  insert.item.lParam = reinterpret_cast<LPARAM>(
      NewFolderItem(&folder, reinterpret_cast<LPCITEMIDLIST>(raw_id), nullptr));
  HTREEITEM item = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree.Handle(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  ASSERT_NE(item, nullptr);
  testing::DialogAnswerer answerer({"提示"});
  {
    // No menu for the item: the first message, and no menu.
    folder.ui_result = E_NOINTERFACE;
    tree.ShowContextMenu(item, POINT{20, 20});
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], "GetUIObjectOf failed! hr=80004002");
  }
  {
    // The chosen command fails: verb 0 (id 1 - 1) was asked for, then the second message.
    folder.ui_result = S_OK;
    SetTimer(nullptr, 0, 100, ChooseFirstItem);
    tree.ShowContextMenu(item, POINT{20, 20});
    EXPECT_EQ(folder.menu.verbs, std::vector<UINT_PTR>{0});
    ASSERT_EQ(answerer.texts.size(), 2u);
    EXPECT_EQ(answerer.texts[1], "InvokeCommand failed. hr=80004005");
  }
  DestroyWindow(tree.Handle());
  DestroyWindow(holder);
  CoUninitialize();
}

}  // namespace
}  // namespace sorvik
