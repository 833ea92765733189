#include "query/folder_tree.h"

#include <cstring>

#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "platform/file.h"
#include "text/coding.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

using snapshot::kFolderRecordSize;

// Reads record r (1-based); false for r = 0 or a record past the end of the file.
bool ReadRecord(WinFile* folders, uint32_t r, FolderRange* out, std::string* root_name) {
  if (r == 0) return false;
  uint8_t bytes[kFolderRecordSize];
  if (folders->ReadAt(static_cast<uint64_t>(r - 1) * kFolderRecordSize, bytes, sizeof bytes) !=
      sizeof bytes) {
    return false;
  }
  *out = FolderRange{DecodeFixed32(bytes + snapshot::kFolderEntryField),
                     DecodeFixed32(bytes + snapshot::kFolderSiblingField),
                     DecodeFixed32(bytes + snapshot::kFolderChildField),
                     DecodeFixed32(bytes + snapshot::kFolderCountField)};
  if (root_name != nullptr) {
    size_t length = 0;
    while (length < 4 && bytes[length] != 0) ++length;
    root_name->assign(reinterpret_cast<const char*>(bytes), length);
  }
  return true;
}

}  // namespace

bool FindFolder(WinFile* folders, RecordStore* store, const std::string& path, FolderRange* out) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty() || folders == nullptr) return false;
  // Every chain step visits a different record of a sound tree: more steps than records means
  // the tree loops.
  uint64_t budget = folders->Size() / kFolderRecordSize + 1;
  FolderRange current;
  std::string root_name;
  uint32_t r = 1;
  uint64_t id_before = 0;
  for (;;) {
    if (budget-- == 0 || !ReadRecord(folders, r, &current, &root_name)) return false;
    if (GbkEqualNoCase(root_name, parts[0])) break;
    id_before += current.entriesBelow;
    r = current.nextSibling;
  }
  if (id_before > 0xFFFFFFFFull) return false;
  current.entryId = static_cast<uint32_t>(id_before);
  EntryRecord record;
  for (size_t i = 1; i < parts.size(); ++i) {
    r = current.firstChild;
    for (;;) {
      FolderRange child;
      if (budget-- == 0 || !ReadRecord(folders, r, &child, nullptr)) return false;
      if (!store->Read(child.entryId, &record)) return false;
      if (GbkEqualNoCase(record.Name(), parts[i])) {
        current = child;
        break;
      }
      r = child.nextSibling;
    }
  }
  *out = current;
  return true;
}

bool ListSubFolders(WinFile* folders, RecordStore* store, const FolderRange& parent,
                    std::vector<std::pair<std::string, FolderRange>>* out) {
  if (folders == nullptr) return false;
  uint64_t budget = folders->Size() / kFolderRecordSize + 1;
  EntryRecord record;
  for (uint32_t r = parent.firstChild; r != 0;) {
    FolderRange child;
    if (budget-- == 0 || !ReadRecord(folders, r, &child, nullptr)) return false;
    if (!store->Read(child.entryId, &record)) return false;
    out->emplace_back(record.Name(), child);
    r = child.nextSibling;
  }
  return true;
}

}  // namespace sorvik
