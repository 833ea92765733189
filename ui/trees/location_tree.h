// What the filter panel does to its location tree: only the computer remains at the root, with
// the drive roots as its children, each labelled with its path. Because the panel's trees read
// right to left, a drive root's label is stored with its bytes reversed ("C:\" as "\:C") and
// turned back for drawing.
#pragma once

#include <string>

#include "ui/trees/folder_tree.h"

namespace sorvik {

// True when `text` is one of the names the shell gives the computer folder in the supported
// languages, compared as multibyte text ignoring case.
bool IsComputerLabel(const std::string& text);
// True when the first backslash of `path` is its third byte and there is no other ("C:\").
bool IsDriveRootPath(const std::string& path);
// The label stored for `path`: the path itself, or its bytes reversed when it ends with ":\".
std::string LocationLabel(const std::string& path);
// The text drawn for a stored `label`: a label beginning with "\:" reversed back, others as they
// are.
std::string DrawnLabel(const std::string& label);

// Fills `tree` from the desktop, deletes every root item that is not the computer, expands the
// computer and keeps only its children whose path is a drive root, relabelled with
// LocationLabel.
void FillLocationTree(CFolderTree* tree);

}  // namespace sorvik
