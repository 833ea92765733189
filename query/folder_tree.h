// Lookup of a folder path in the folder tree (index.dm) of a loaded index.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sorvik {

class RecordStore;
class WinFile;

// One index.dm record as a location filter uses it. For a drive root, entryId is the id that
// precedes the drive's first entry, so the drive's entries are entryId + 1 .. + entriesBelow.
struct FolderRange {
  uint32_t entryId = 0;       // the folder's entry id (see above for a root)
  uint32_t nextSibling = 0;   // record number of the next folder with the same parent
  uint32_t firstChild = 0;    // record number of the first sub-folder
  uint32_t entriesBelow = 0;  // entries below, all levels, the folder itself not counted
};

// Finds `path` ("C:", "C:\", "c:\windows\system32") in the tree: drive roots and folder names
// compared with ASCII letters in either case. False when any component is missing, or when the
// tree is damaged (an unreadable record, a chain longer than the file holds records).
bool FindFolder(WinFile* folders, RecordStore* store, const std::string& path, FolderRange* out);

// Appends the sub-folders of `parent` (a FindFolder result) to `out`, each with its name. False
// when the tree is damaged (an unreadable record, a chain longer than the file holds records).
bool ListSubFolders(WinFile* folders, RecordStore* store, const FolderRange& parent,
                    std::vector<std::pair<std::string, FolderRange>>* out);

}  // namespace sorvik
