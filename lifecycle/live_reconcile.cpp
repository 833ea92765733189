#include "lifecycle/live_reconcile.h"

#include <memory>

#include "index/find_file.h"
#include "index/snapshot_format.h"
#include "platform/find.h"
#include "query/entry_details.h"
#include "query/entry_set.h"
#include "query/folder_tree.h"
#include "query/live_layer.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

// Bytes of a name looked up in the name index: a word that long starts at the first key
// position of its name, however long the name (a word of n keys must start by 127 - n).
constexpr size_t kLookupWordBytes = 48;

// Splits "C:\a\b" into "C:\a" and "b"; false for a root or a path without a separator.
bool SplitLast(const std::string& path, std::string* folder, std::string* name) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); i += GbkCharLength(path, i)) {
    if (path[i] == '\\') last = i;
  }
  if (last == std::string::npos || last + 1 >= path.size()) return false;
  *folder = path.substr(0, last);
  *name = path.substr(last + 1);
  return true;
}

// The first bytes of `name`, never splitting a double-byte character.
std::string LookupWord(const std::string& name) {
  size_t end = 0;
  while (end < name.size() && end + GbkCharLength(name, end) <= kLookupWordBytes) {
    end += GbkCharLength(name, end);
  }
  return name.substr(0, end);
}

// The entry at `path` as the disk has it now; false when there is none.
bool StatPath(const std::string& path, FindRecord* record) {
  if (path.find('?') == std::string::npos) return StatEntry(path, record);
  // "?" stands for a character the code page cannot hold: the folder is listed, and only the
  // entry of this very name counts.
  std::string folder, name;
  if (!SplitLast(path, &folder, &name)) return false;
  FindFile find;
  find.Open(path);
  while (find.Next()) {
    if (find.Data().name == name) {
      *record = find.Data();
      return true;
    }
  }
  return false;
}

bool IsFolderRecord(const FindRecord& record) {
  return (record.attributes & kAttributeDirectory) != 0;
}

}  // namespace

void IndexFolderCache::Clear() {
  roots_.clear();
  children_.clear();
  kept_ = 0;
}

bool IndexFolderCache::Find(LoadedIndex* index, const std::string& path, FolderRange* out) {
  std::string parent, name;
  if (!SplitLast(path, &parent, &name)) {
    const std::string key = LivePathKey(path);
    auto root = roots_.find(key);
    if (root == roots_.end()) {
      FolderRange range;
      const bool found = FindFolder(index->folders(), index->store(), key, &range);
      root = roots_.emplace(key, std::make_pair(found, range)).first;
    }
    *out = root->second.second;
    return root->second.first;
  }
  FolderRange holder;
  if (!Find(index, parent, &holder)) return false;
  const std::string parent_key = LivePathKey(parent);
  auto children = children_.find(parent_key);
  if (children == children_.end()) {
    std::vector<std::pair<std::string, FolderRange>> list;
    if (!ListSubFolders(index->folders(), index->store(), holder, &list)) return false;
    if (kept_ + list.size() > kLimit) Clear();
    Children map;
    for (const auto& child : list) map.emplace(LivePathKey(child.first), child.second);
    kept_ += list.size();
    children = children_.emplace(parent_key, std::move(map)).first;
  }
  auto child = children->second.find(LivePathKey(name));
  if (child == children->second.end()) return false;
  *out = child->second;
  return true;
}

bool FindIndexEntry(LoadedIndex* index, IndexFolderCache* folders, const std::string& path,
                    IndexHit* hit) {
  std::string folder, name;
  if (!SplitLast(path, &folder, &name)) return false;
  FolderRange range;
  if (folders->Find(index, path, &range) && range.entryId != 0) {
    *hit = IndexHit{range.entryId, true, range.entriesBelow};
    return true;
  }
  if (!folders->Find(index, folder, &range) || range.entriesBelow == 0) return false;
  // The files of the folder whose names hold the name's first bytes, then the exact one.
  std::unique_ptr<EntrySet> candidates = EntrySet::Create(index->EntryCount(), 0x00);
  if (!candidates) return false;
  MatchWord(index->reader(), LookupWord(name), candidates.get());
  const uint64_t last = uint64_t{range.entryId} + range.entriesBelow;
  candidates->KeepRange(range.entryId + 1, last > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(last));
  bool found = false;
  candidates->ForEachId([&](uint32_t id) {
    EntryDetails details;
    if (found || !LoadEntryDetails(index->store(), id, &details) || details.IsFolder()) return;
    if (GbkEqualNoCase(details.name, name) && GbkEqualNoCase(details.folderPath, folder)) {
      *hit = IndexHit{id, false, 0};
      found = true;
    }
  });
  return found;
}

void LiveReconciler::Reconcile(const std::string& path, bool appeared) {
  // Below a left-out folder: as absent from the index as it is from a build.
  if (exclusion_ != nullptr && exclusion_->HidesBelow(path)) return;
  FindRecord record;
  const bool exists = StatPath(path, &record) && !SkipsResult(record);
  const bool is_folder = exists && IsFolderRecord(record);
  const LiveEntry* known = layer_->Find(path);
  const bool was_live_folder = known != nullptr && known->alive && known->details.IsFolder();
  // A folder is walked when it appears: unknown to the index and the layer, or back at a path
  // whose entries below had gone.
  bool walk = appeared || (is_folder && !was_live_folder);
  IndexHit hit;
  if (FindIndexEntry(index_, folders_, path, &hit)) {
    if (hit.folder && is_folder) {
      // Still a folder: only its own record changes, the entries below stay as they are.
      layer_->RemoveIndexId(hit.id);
      walk = appeared || (layer_->SubtreeRemoved(hit.id) && !was_live_folder);
    } else if (hit.folder) {
      layer_->RemoveIndexSubtree(hit.id, hit.entriesBelow);
    } else {
      layer_->RemoveIndexId(hit.id);
    }
  }
  if (!exists) {
    layer_->Erase(path, true);
    return;
  }
  if (!is_folder && was_live_folder) layer_->Erase(path, true);  // a file took its place
  layer_->Put(path, record, current_year_);
  // Reparse points, left-out folders and paths too long for the walker are recorded but not
  // walked.
  if (walk && is_folder && (record.attributes & kAttributeReparsePoint) == 0 &&
      path.size() <= snapshot::kMaxWalkedPath &&
      (exclusion_ == nullptr || !exclusion_->LeavesOut(path))) {
    WalkNewFolder(path);
  }
}

void LiveReconciler::WalkNewFolder(const std::string& path) {
  std::vector<std::string> children;
  {
    FindFile find;
    find.Open(path + "\\*");
    while (find.Next()) {
      if (!SkipsResult(find.Data())) children.push_back(path + "\\" + find.Data().name);
    }
  }
  for (const std::string& child : children) Reconcile(child, true);
}

}  // namespace sorvik
