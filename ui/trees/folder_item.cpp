#include "ui/trees/folder_item.h"

#include <cstring>
#include <new>

#include "text/gbk_text.h"

namespace sorvik {
namespace {

std::string Narrow(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string text(size, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, -1, &text[0], size, nullptr, nullptr);
  text.resize(size - 1);
  return text;
}

// The text of a STRRET, which the shell may hand back in three forms; a wide one is freed.
std::string TextOf(STRRET* name, LPCITEMIDLIST relative) {
  switch (name->uType) {
    case STRRET_WSTR: {
      std::string text = name->pOleStr != nullptr ? Narrow(name->pOleStr) : "";
      CoTaskMemFree(name->pOleStr);
      return text;
    }
    case STRRET_OFFSET: {
      const char* text = reinterpret_cast<const char*>(relative) + name->uOffset;
      return std::string(text, strnlen(text, MAX_PATH));
    }
    case STRRET_CSTR:
      return std::string(name->cStr, strnlen(name->cStr, sizeof name->cStr));
  }
  return "";
}

}  // namespace

FolderItem* NewFolderItem(IShellFolder* parent, LPCITEMIDLIST relative, LPCITEMIDLIST parent_id) {
  auto* item = new (std::nothrow) FolderItem{parent, ILClone(relative), nullptr};
  if (item == nullptr) return nullptr;
  item->absolute = parent_id != nullptr ? ILCombine(parent_id, relative) : ILClone(relative);
  if (item->relative == nullptr || item->absolute == nullptr) {
    ILFree(item->relative);
    ILFree(item->absolute);
    delete item;
    return nullptr;
  }
  parent->AddRef();
  return item;
}

void DeleteFolderItem(FolderItem* item) {
  if (item == nullptr) return;
  item->parent->Release();
  ILFree(item->relative);
  ILFree(item->absolute);
  delete item;
}

std::string DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST relative) {
  STRRET name = {};
  name.uType = STRRET_CSTR;
  if (FAILED(folder->GetDisplayNameOf(relative, SHGDN_INFOLDER, &name))) return "";
  return CutMultibyte(TextOf(&name, relative), MAX_PATH - 1);
}

int SmallIconOf(LPCITEMIDLIST absolute, bool open) {
  SHFILEINFOA info = {};
  UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
  if (!SHGetFileInfoA(reinterpret_cast<const char*>(absolute), 0, &info, sizeof info, flags))
    return 0;
  return info.iIcon;
}

HIMAGELIST SystemSmallImages() {
  LPITEMIDLIST desktop = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop))) return nullptr;
  SHFILEINFOA info = {};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(reinterpret_cast<const char*>(desktop), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ILFree(desktop);
  return images;
}

int CALLBACK CompareFolderItems(LPARAM first, LPARAM second, LPARAM) {
  auto* one = reinterpret_cast<FolderItem*>(first);
  auto* other = reinterpret_cast<FolderItem*>(second);
  if (one == nullptr || other == nullptr) return 0;
  const HRESULT order = one->parent->CompareIDs(0, one->relative, other->relative);
  if (FAILED(order)) return 0;
  return static_cast<short>(HRESULT_CODE(order));
}

std::string CutMultibyte(const std::string& text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    const size_t step = IsGbkLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
    if (end + step > limit || end + step > text.size()) break;
    end += step;
  }
  return text.substr(0, end);
}

}  // namespace sorvik
