// LiveLayer: the changes seen on disk since the loaded index was built, kept in memory over it.
// Entries created, renamed to or changed since then are additions with details of their own;
// index entries that were deleted, renamed away or changed are removed the way the removal list
// removes them. A search merges both: the index's matches without the removed ids, then the
// matching additions.
//
// Additions get the ids after the index's own, N + 1 onwards, in the order they were first
// seen; an id is never given to another path while the layer lives, so a result page's ids keep
// naming the entries they named. A layer belongs to one loaded index and goes with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/find.h"
#include "query/entry_details.h"
#include "query/search_request.h"

namespace sorvik {

class EntrySet;

// One addition: what the walker would record for the entry now.
struct LiveEntry {
  EntryDetails details;     // name, holding folder, time as the walker writes it, size
  uint32_t attributes = 0;  // kAttribute* bits as found on disk
  uint16_t monthCode = 0;   // the month code a build would give it
  int8_t category = -1;     // kFolders for a folder, else the file category of its name or -1
  bool alive = true;        // false once deleted or renamed away; its id stays taken
  std::u16string nameKeys;  // the name keys the index would record for its name
};

// The key a path is kept under: ASCII letters folded to lower case, double-byte characters as
// they are, trailing backslashes dropped.
std::string LivePathKey(const std::string& path);

class LiveLayer {
 public:
  // A layer over an index of `base` entries.
  explicit LiveLayer(uint32_t base) : base_(base) {}
  LiveLayer(const LiveLayer&) = delete;
  LiveLayer& operator=(const LiveLayer&) = delete;

  uint32_t base() const { return base_; }
  // Ids taken by additions plus index removals recorded: what the layer's bound counts.
  size_t Size() const { return entries_.size() + removed_ids_.size() + removed_ranges_.size(); }
  bool Empty() const { return Size() == 0; }

  // Records the entry found at `path` ("C:\a\b.txt") as `record` describes it, with the month
  // code and time a build in `current_year` would give it. Returns its id (a known path keeps
  // its id).
  uint32_t Put(const std::string& path, const FindRecord& record, int current_year);
  // The addition at `path`, alive or not; null when there is none.
  const LiveEntry* Find(const std::string& path) const;
  // Marks the addition at `path` deleted; with `below`, every addition below it too.
  void Erase(const std::string& path, bool below);
  // Marks the addition with id `id` deleted when it shows `fullPath`; false otherwise.
  bool EraseId(uint32_t id, const std::string& fullPath);

  // Removes index entry `id`; or folder `id` with the `below` entries after it.
  void RemoveIndexId(uint32_t id);
  void RemoveIndexSubtree(uint32_t id, uint32_t below);
  // Whether folder `id` went with the entries below it.
  bool SubtreeRemoved(uint32_t id) const { return removed_folders_.count(id) != 0; }
  // Clears every removed index id from `set`.
  void ClearRemoved(EntrySet* set) const;

  // The ids of the living additions that `request` selects, ascending. The location is taken
  // as given: the caller has checked that it exists.
  void Match(const SearchRequest& request, std::vector<uint32_t>* ids) const;
  // Details of addition `id`; false when `id` is not one.
  bool Details(uint32_t id, EntryDetails* out) const;

 private:
  LiveEntry* EntryOf(uint32_t id);

  uint32_t base_;                             // N of the index below
  std::vector<LiveEntry> entries_;            // addition with id base_ + 1 + i
  std::map<std::string, uint32_t> ids_;       // LivePathKey -> id, ordered for Erase(below)
  std::unordered_set<uint32_t> removed_ids_;  // single index ids removed
  std::vector<std::pair<uint32_t, uint32_t>> removed_ranges_;  // index id ranges removed
  std::unordered_set<uint32_t> removed_folders_;  // folders whose range is in removed_ranges_
};

// The ids of one page cut from the merged answer: ranks first .. first + count - 1 (count
// 0xFFFFFFFF: all from first) over the index's set, then the layer's `extra` ids. Returns the
// number of all matches.
uint32_t CollectMergedPage(const EntrySet* set, const std::vector<uint32_t>& extra, uint32_t first,
                           uint32_t count, std::vector<uint32_t>* out);

}  // namespace sorvik
