// The record that each item of a CFolderTree owns, and the shell look-ups made for it: display
// name, system icons, the shell's own order of two items.
#pragma once

#include <windows.h>
// The headers below need the types of <windows.h>.
#include <commctrl.h>
#include <shlobj.h>

#include <string>

namespace sorvik {

struct FolderItem {
  IShellFolder* parent;   // the folder holding the item (one reference held)
  LPITEMIDLIST relative;  // the item's identifier relative to `parent`
  LPITEMIDLIST absolute;  // the item's full identifier (parent's full identifier + relative)
};

// A new record for the child `relative` of `parent`, whose full identifier is `parent_id`
// (null for the desktop). Null when memory runs out.
FolderItem* NewFolderItem(IShellFolder* parent, LPCITEMIDLIST relative, LPCITEMIDLIST parent_id);
// Releases the parent folder and frees both identifiers; null does nothing.
void DeleteFolderItem(FolderItem* item);

// The display name of the child `relative` of `folder` in the ANSI code page, cut on a character
// boundary to at most MAX_PATH - 1 bytes; empty when the shell gives none.
std::string DisplayNameOf(IShellFolder* folder, LPCITEMIDLIST relative);
// The index of the small system icon of `absolute`; with `open`, of its open form.
int SmallIconOf(LPCITEMIDLIST absolute, bool open);
// The shell's image list of small system icons (not to be destroyed); null on failure.
HIMAGELIST SystemSmallImages();
// Tree sort callback: the order of two FolderItem records with the same parent, as their parent
// folder compares them.
int CALLBACK CompareFolderItems(LPARAM first, LPARAM second, LPARAM unused);

// `text` cut to at most `limit` bytes without splitting a double-byte character.
std::string CutMultibyte(const std::string& text, size_t limit);

}  // namespace sorvik
