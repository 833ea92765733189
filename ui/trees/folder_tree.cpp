#include "ui/trees/folder_tree.h"

#include <shlwapi.h>

#include <cstdio>

#include "ui/trees/folder_item.h"

namespace sorvik {
namespace {

FolderItem* RecordOf(HWND tree, HTREEITEM item) {
  TVITEMA query = {};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = item;
  if (item == nullptr || !TreeView_GetItem(tree, &query)) return nullptr;
  return reinterpret_cast<FolderItem*>(query.lParam);
}

void ClearRecord(HWND tree, HTREEITEM item) {
  TVITEMA cleared = {};
  cleared.mask = TVIF_HANDLE | TVIF_PARAM;
  cleared.hItem = item;
  cleared.lParam = 0;
  TreeView_SetItem(tree, &cleared);
}

// Frees the records of `first`, its siblings and all their descendants, leaving null behind.
void FreeRecords(HWND tree, HTREEITEM first) {
  for (HTREEITEM item = first; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
    FreeRecords(tree, TreeView_GetChild(tree, item));
    DeleteFolderItem(RecordOf(tree, item));
    ClearRecord(tree, item);
  }
}

// Inserts the child `relative` of `folder` under `parent` when it is a folder (and not a file
// that the shell can open as one). False when memory ran out and the reading should stop.
bool InsertFolder(HWND tree, IShellFolder* folder, LPCITEMIDLIST folder_id, LPCITEMIDLIST relative,
                  HTREEITEM parent) {
  SFGAOF attributes = SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_STREAM;
  if (FAILED(folder->GetAttributesOf(1, &relative, &attributes))) return true;
  if (!(attributes & SFGAO_FOLDER) || (attributes & SFGAO_STREAM)) return true;
  FolderItem* record = NewFolderItem(folder, relative, folder_id);
  if (record == nullptr) return false;
  std::string text = DisplayNameOf(folder, relative);
  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = &text[0];
  insert.item.iImage = SmallIconOf(record->absolute, false);
  insert.item.iSelectedImage = SmallIconOf(record->absolute, true);
  insert.item.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
  insert.item.lParam = reinterpret_cast<LPARAM>(record);
  if (SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)) == 0) {
    DeleteFolderItem(record);
    return false;
  }
  return true;
}

void ShowFailure(HWND owner, const char* format, HRESULT code) {
  char text[64];
  snprintf(text, sizeof text, format, static_cast<unsigned long>(code));
  MessageBoxA(owner, text, "提示", MB_OK);
}

}  // namespace

CFolderTree::~CFolderTree() {
  if (Handle() != nullptr) FreeAllRecords();
}

void CFolderTree::FillRoot() {
  FreeAllRecords();
  TreeView_DeleteAllItems(Handle());
  HIMAGELIST images = SystemSmallImages();
  if (images != nullptr) TreeView_SetImageList(Handle(), images, TVSIL_NORMAL);
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || desktop == nullptr) return;
  ReadChildren(desktop, nullptr, TVI_ROOT);
  desktop->Release();
}

void CFolderTree::Expand(HTREEITEM item) {
  if (!(TreeView_GetItemState(Handle(), item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE)) {
    OnExpanding(item);
    TreeView_SetItemState(Handle(), item, TVIS_EXPANDEDONCE, TVIS_EXPANDEDONCE);
  }
  TreeView_Expand(Handle(), item, TVE_EXPAND);
}

void CFolderTree::DeleteItem(HTREEITEM item) {
  FreeRecords(Handle(), TreeView_GetChild(Handle(), item));
  DeleteFolderItem(RecordOf(Handle(), item));
  ClearRecord(Handle(), item);
  TreeView_DeleteItem(Handle(), item);
}

bool CFolderTree::PathOf(HTREEITEM item, std::string* path) const {
  FolderItem* record = RecordOf(Handle(), item);
  if (record == nullptr) return false;
  LPCITEMIDLIST relative = record->relative;
  SFGAOF attributes = SFGAO_FILESYSTEM;
  if (FAILED(record->parent->GetAttributesOf(1, &relative, &attributes))) return false;
  if (!(attributes & SFGAO_FILESYSTEM)) return false;
  char text[MAX_PATH] = {0};
  if (!SHGetPathFromIDListA(record->absolute, text)) return false;
  text[MAX_PATH - 1] = '\0';
  *path = text;
  return true;
}

bool CFolderTree::SelectedPath(std::string* path) const {
  HTREEITEM selected = TreeView_GetSelection(Handle());
  return selected != nullptr && PathOf(selected, path);
}

bool CFolderTree::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom != Handle()) return false;
  auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
  switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
      if ((change->action & (TVE_COLLAPSE | TVE_EXPAND)) != TVE_COLLAPSE)
        OnExpanding(change->itemNew.hItem);
      *result = FALSE;
      return true;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
      DeleteFolderItem(reinterpret_cast<FolderItem*>(change->itemOld.lParam));
      *result = 0;
      return true;
    case NM_RCLICK:
      OnRightClick();
      *result = TRUE;
      return true;
  }
  return CTreeBase::OnNotify(header, result);
}

void CFolderTree::ShowContextMenu(HTREEITEM item, POINT screen) {
  FolderItem* record = RecordOf(Handle(), item);
  if (record == nullptr) return;
  HWND owner = GetParent(Handle());
  LPCITEMIDLIST relative = record->relative;
  IContextMenu* menu = nullptr;
  HRESULT code = record->parent->GetUIObjectOf(owner, 1, &relative, IID_IContextMenu, nullptr,
                                               reinterpret_cast<void**>(&menu));
  if (FAILED(code) || menu == nullptr) {
    ShowFailure(owner, "GetUIObjectOf failed! hr=%lx", code);
    return;
  }
  HMENU popup = CreatePopupMenu();
  if (popup != nullptr && SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE))) {
    const int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                                      owner, nullptr);
    if (chosen > 0) {
      CMINVOKECOMMANDINFO invoke = {};
      invoke.cbSize = sizeof invoke;
      invoke.hwnd = owner;
      invoke.lpVerb = MAKEINTRESOURCEA(chosen - 1);
      invoke.nShow = SW_SHOWNORMAL;
      code = menu->InvokeCommand(&invoke);
      if (FAILED(code)) ShowFailure(owner, "InvokeCommand failed. hr=%lx", code);
    }
  }
  if (popup != nullptr) DestroyMenu(popup);
  menu->Release();
}

void CFolderTree::OnDestroying() { FreeAllRecords(); }

void CFolderTree::OnExpanding(HTREEITEM item) {
  if (TreeView_GetItemState(Handle(), item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE) return;
  FolderItem* record = RecordOf(Handle(), item);
  if (record == nullptr) return;
  IShellFolder* folder = nullptr;
  if (FAILED(record->parent->BindToObject(record->relative, nullptr, IID_IShellFolder,
                                          reinterpret_cast<void**>(&folder))) ||
      folder == nullptr)
    return;
  ReadChildren(folder, record->absolute, item);
  folder->Release();
}

// The click point is the pointer's position: the hit item is selected first (a selection change
// the panel searches on), and the menu opens only over the item's icon or label.
void CFolderTree::OnRightClick() {
  POINT screen;
  if (!GetCursorPos(&screen)) return;
  TVHITTESTINFO hit = {};
  hit.pt = screen;
  ScreenToClient(Handle(), &hit.pt);
  HTREEITEM item = TreeView_HitTest(Handle(), &hit);
  if (item == nullptr) return;
  TreeView_SelectItem(Handle(), item);
  if (hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL)) ShowContextMenu(item, screen);
}

void CFolderTree::ReadChildren(IShellFolder* folder, LPCITEMIDLIST folder_id, HTREEITEM parent) {
  IEnumIDList* children = nullptr;
  const SHCONTF kinds = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  if (FAILED(folder->EnumObjects(GetParent(Handle()), kinds, &children)) || children == nullptr)
    return;
  LPITEMIDLIST child = nullptr;
  ULONG fetched = 0;
  while (children->Next(1, &child, &fetched) == S_OK && fetched == 1 && child != nullptr) {
    const bool more =
        LeftOut(folder, child) || InsertFolder(Handle(), folder, folder_id, child, parent);
    CoTaskMemFree(child);
    child = nullptr;
    if (!more) break;
  }
  children->Release();
  TVSORTCB sort = {parent, CompareFolderItems, 0};
  TreeView_SortChildrenCB(Handle(), &sort, FALSE);
}

bool CFolderTree::LeftOut(IShellFolder* folder, LPCITEMIDLIST relative) const {
  if (!left_out_) return false;
  STRRET name = {};
  if (FAILED(folder->GetDisplayNameOf(relative, SHGDN_FORPARSING, &name))) return false;
  char path[MAX_PATH] = {0};
  if (FAILED(StrRetToBufA(&name, relative, path, sizeof path))) return false;
  return left_out_(path);
}

void CFolderTree::FreeAllRecords() {
  if (Handle() != nullptr) FreeRecords(Handle(), TreeView_GetRoot(Handle()));
}

}  // namespace sorvik
