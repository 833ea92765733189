#include "ui/trees/location_tree.h"

#include <mbstring.h>

#include <algorithm>
#include <vector>

namespace sorvik {
namespace {

// The computer folder's name in the languages the program meets.
constexpr const char* kComputerLabels[] = {"我的电脑", "My Computer", "我的電腦",
                                           "Computer", "计算机",      "計算機"};

std::vector<HTREEITEM> ChildrenOf(HWND tree, HTREEITEM parent) {
  std::vector<HTREEITEM> children;
  HTREEITEM item = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
  for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) children.push_back(item);
  return children;
}

void SetLabel(HWND tree, HTREEITEM item, std::string label) {
  TVITEMA change = {};
  change.mask = TVIF_HANDLE | TVIF_TEXT;
  change.hItem = item;
  change.pszText = &label[0];
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&change));
}

// Keeps the drive roots among the children of `computer`, labelled with their paths.
void KeepDriveRoots(CFolderTree* tree, HTREEITEM computer) {
  for (HTREEITEM child : ChildrenOf(tree->Handle(), computer)) {
    std::string path;
    if (!tree->PathOf(child, &path)) path.clear();
    if (IsDriveRootPath(path))
      SetLabel(tree->Handle(), child, LocationLabel(path));
    else
      tree->DeleteItem(child);
  }
}

}  // namespace

bool IsComputerLabel(const std::string& text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
  return std::any_of(std::begin(kComputerLabels), std::end(kComputerLabels), [&](const char* name) {
    return _mbsicmp(bytes, reinterpret_cast<const unsigned char*>(name)) == 0;
  });
}

bool IsDriveRootPath(const std::string& path) {
  const size_t first = path.find('\\');
  return first == 2 && path.find('\\', first + 1) == std::string::npos;
}

std::string LocationLabel(const std::string& path) {
  const bool drive_root = path.size() >= 2 && path.compare(path.size() - 2, 2, ":\\") == 0;
  return drive_root ? std::string(path.rbegin(), path.rend()) : path;
}

std::string DrawnLabel(const std::string& label) {
  const bool reversed = label.compare(0, 2, "\\:") == 0;
  return reversed ? std::string(label.rbegin(), label.rend()) : label;
}

void FillLocationTree(CFolderTree* tree) {
  tree->FillRoot();
  HWND handle = tree->Handle();
  for (HTREEITEM root : ChildrenOf(handle, TVI_ROOT)) {
    if (!IsComputerLabel(TreeItemText(handle, root))) tree->DeleteItem(root);
  }
  for (HTREEITEM computer : ChildrenOf(handle, TVI_ROOT)) {
    tree->Expand(computer);
    KeepDriveRoots(tree, computer);
  }
}

}  // namespace sorvik
