// Bringing the live layer in line with the disk, one changed path at a time: the path is looked
// up on disk and in the loaded index, and the layer then says what a build made now would say
// of it. Every step reads the state now, so a path may be given any number of times, in any
// order, late or early: the outcome is the same.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "index/folder_exclusion.h"
#include "query/folder_tree.h"

namespace sorvik {

class LoadedIndex;
class LiveLayer;

// An entry of a loaded index found by its path.
struct IndexHit {
  uint32_t id = 0;            // its entry id
  bool folder = false;        // whether it is a folder
  uint32_t entriesBelow = 0;  // for a folder: the entries below it (ids id + 1 .. id + this)
};

// The folders of one loaded index looked up so far, found or not: a drive root with many
// folders has a long chain of them in the folder tree, and changes come in the same folders
// again and again. Valid while that index stays loaded.
class IndexFolderCache {
 public:
  // FindFolder through the cache: each folder's sub-folders are read once.
  bool Find(LoadedIndex* index, const std::string& path, FolderRange* out);
  void Clear();

 private:
  using Children = std::unordered_map<std::string, FolderRange>;  // folded name -> range
  static constexpr size_t kLimit = 200000;  // sub-folders kept; then the cache starts again

  std::unordered_map<std::string, std::pair<bool, FolderRange>> roots_;  // "c:" -> found, range
  std::unordered_map<std::string, Children> children_;  // LivePathKey of a folder -> sub-folders
  size_t kept_ = 0;                                     // sub-folders in children_
};

// Finds the entry at `path` ("C:\a\b.txt") in `index`, names compared without regard to ASCII
// case. False for a drive root and for a path the index does not hold.
bool FindIndexEntry(LoadedIndex* index, IndexFolderCache* folders, const std::string& path,
                    IndexHit* hit);

class LiveReconciler {
 public:
  // Works on `layer` over `index` (whose folders `folders` caches), giving times as a build in
  // `current_year` would, and leaving out what `exclusion` (optional) leaves out.
  LiveReconciler(LoadedIndex* index, IndexFolderCache* folders, LiveLayer* layer, int current_year,
                 const FolderExclusion* exclusion = nullptr)
      : index_(index),
        folders_(folders),
        layer_(layer),
        current_year_(current_year),
        exclusion_(exclusion) {}

  // Makes the layer agree with the disk about `path` and, when a folder appears there (created,
  // moved or renamed in), about everything below it. Drive roots and paths below a left-out
  // folder are left alone; a left-out folder keeps its own entry and is not walked.
  void Reconcile(const std::string& path) { Reconcile(path, false); }

 private:
  // `appeared`: the path came with a folder that appeared, so a folder here is walked too.
  void Reconcile(const std::string& path, bool appeared);
  void WalkNewFolder(const std::string& path);

  LoadedIndex* index_;                // the index the layer lies over
  IndexFolderCache* folders_;         // its folders looked up so far
  LiveLayer* layer_;                  // the layer brought up to date
  int current_year_;                  // stands in for times out of range, as in a build
  const FolderExclusion* exclusion_;  // folders whose contents stay out, null for none
};

}  // namespace sorvik
