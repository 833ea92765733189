#include "widgets/shell_item_menu.h"

#include "widgets/ansi_text.h"

namespace sorvik {
namespace {

constexpr char kRelayProperty[] = "SorvikShellItemMenu";  // the object behind a relayed window

// The absolute item identifiers of some paths, freed with the object.
struct ItemIds {
  ~ItemIds() {
    for (LPITEMIDLIST id : ids) CoTaskMemFree(id);
  }
  std::vector<LPITEMIDLIST> ids;
};

bool ParsePaths(IShellFolder* desktop, const std::vector<std::string>& paths, HWND owner,
                ItemIds* out) {
  for (const std::string& path : paths) {
    std::wstring wide = AnsiToWide(path);
    LPITEMIDLIST id = nullptr;
    if (wide.empty() ||
        FAILED(desktop->ParseDisplayName(owner, nullptr, &wide[0], nullptr, &id, nullptr)) ||
        id == nullptr)
      return false;
    out->ids.push_back(id);
  }
  return !out->ids.empty();
}

// The identifier of an item's folder: a copy of `id` without its last part.
LPITEMIDLIST ParentOf(LPCITEMIDLIST id) {
  LPITEMIDLIST parent = ILClone(id);
  if (parent != nullptr) ILRemoveLastID(parent);
  return parent;
}

bool SameParent(const ItemIds& items) {
  LPITEMIDLIST first = ParentOf(items.ids[0]);
  bool same = first != nullptr;
  for (size_t i = 1; same && i < items.ids.size(); ++i) {
    LPITEMIDLIST parent = ParentOf(items.ids[i]);
    same = parent != nullptr && ILIsEqual(first, parent);
    ILFree(parent);
  }
  ILFree(first);
  return same;
}

}  // namespace

ShellItemMenu::~ShellItemMenu() {
  if (menu3_ != nullptr) menu3_->Release();
  if (menu2_ != nullptr) menu2_->Release();
  if (menu_ != nullptr) menu_->Release();
}

bool ShellItemMenu::Fill(const std::vector<std::string>& paths, HWND owner) {
  if (menu_ != nullptr) return false;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) return false;
  ItemIds items;
  const bool parsed = ParsePaths(desktop, paths, owner, &items) && SameParent(items);
  desktop->Release();
  if (!parsed) return false;
  IShellFolder* parent = nullptr;
  LPCITEMIDLIST last = nullptr;
  if (FAILED(SHBindToParent(items.ids[0], IID_IShellFolder, reinterpret_cast<void**>(&parent),
                            &last)) ||
      parent == nullptr)
    return false;
  std::vector<LPCITEMIDLIST> children;
  for (LPITEMIDLIST id : items.ids) children.push_back(ILFindLastID(id));
  parent->GetUIObjectOf(owner, static_cast<UINT>(children.size()), children.data(),
                        IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu_));
  parent->Release();
  if (menu_ == nullptr) return false;
  version_ = 1;
  if (SUCCEEDED(menu_->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&menu2_))))
    version_ = 2;
  if (SUCCEEDED(menu_->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(&menu3_))))
    version_ = 3;
  return true;
}

int ShellItemMenu::Track(HMENU popup, HWND owner, POINT screen, HWND invoke_owner,
                         const Tracker& track) {
  if (menu_ != nullptr) {
    menu_->QueryContextMenu(popup, static_cast<UINT>(GetMenuItemCount(popup)), kFirstShellCommand,
                            kLastShellCommand, CMF_EXPLORE);
  }
  const bool relay = version_ >= 2 && owner != nullptr;
  if (relay) {
    SetPropA(owner, kRelayProperty, this);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Relay)));
  }
  const int chosen = track(popup, owner, screen);
  if (relay) {
    SetWindowLongPtrA(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropA(owner, kRelayProperty);
    previous_ = nullptr;
  }
  if (menu_ == nullptr || chosen < static_cast<int>(kFirstShellCommand) ||
      chosen > static_cast<int>(kLastShellCommand))
    return chosen;
  Invoke(chosen, invoke_owner);
  return 0;
}

int ShellItemMenu::TrackPopup(HMENU popup, HWND owner, POINT screen) {
  return static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN,
                                         screen.x, screen.y, 0, owner, nullptr));
}

void ShellItemMenu::Invoke(int id, HWND invoke_owner) {
  CMINVOKECOMMANDINFO invoke = {};
  invoke.cbSize = sizeof invoke;
  invoke.hwnd = invoke_owner;
  invoke.lpVerb = MAKEINTRESOURCEA(id - static_cast<int>(kFirstShellCommand));
  invoke.nShow = SW_SHOWNORMAL;
  menu_->InvokeCommand(&invoke);
}

LRESULT CALLBACK ShellItemMenu::Relay(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = static_cast<ShellItemMenu*>(GetPropA(hwnd, kRelayProperty));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
  LRESULT result = 0;
  if (self->RelayMessage(message, wparam, lparam, &result)) return result;
  return CallWindowProcA(self->previous_, hwnd, message, wparam, lparam);
}

// Menu drawing and measuring (wParam 0: from a menu) and sub-menu filling go to version 2, the
// menu character to version 3. True when the message was the shell's.
bool ShellItemMenu::RelayMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
      if (wparam != 0 || menu2_ == nullptr) return false;
      menu2_->HandleMenuMsg(message, wparam, lparam);
      *result = TRUE;
      return true;
    case WM_INITMENUPOPUP:
      if (menu2_ == nullptr) return false;
      menu2_->HandleMenuMsg(message, wparam, lparam);
      *result = 0;
      return true;
    case WM_MENUCHAR:
      if (menu3_ == nullptr) return false;
      menu3_->HandleMenuMsg2(message, wparam, lparam, result);
      return true;
    default:
      return false;
  }
}

}  // namespace sorvik
