// The sort orders of an index folder (index.ord): for each sort key (name, folder, modified time,
// size) every entry id of the index in that key's ascending order, ties by id, and a bitmap that
// marks where an entry's key equals the one before it. Written once per build; a search that
// sorts the whole result walks one order and keeps the ids its set holds, so a sorted page costs
// one pass over the order instead of reading every match's details.
//
// Layout (little-endian): u32 version (kSortOrderVersion), u32 N, then the four orders of N u32
// ids each (name, folder, time, size), then the four tie bitmaps of (N + 7) / 8 bytes each: bit
// p (bit p % 8 of byte p / 8, least significant first) is set when the entry at position p of
// that order has the same key as the entry at position p - 1.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file.h"
#include "platform/status.h"

namespace sorvik {

class RecordStore;
struct EntryDetails;

constexpr char kSortOrderFile[] = "index.ord";
constexpr uint32_t kSortOrderVersion = 1;
constexpr int kSortOrderKeys = 4;  // kSortName .. kSortSize, in that order

// The comparison of one sort key between two entries, as the result list sorts a page: names and
// folders byte-wise with ASCII letters folded, times and sizes as numbers (a folder's size has
// every bit set). `key` is kSortName .. kSortSize. <0, 0 or >0.
int CompareByKey(int32_t key, const EntryDetails& a, const EntryDetails& b);

// Writes the sort orders of every record of `store` to `path`. The records are read in ascending
// id order; a record that cannot be read sorts as empty details, as a result page would show it.
Status WriteSortOrders(RecordStore* store, const std::string& path);

class SortOrders {
 public:
  SortOrders() = default;
  SortOrders(const SortOrders&) = delete;
  SortOrders& operator=(const SortOrders&) = delete;

  // Maps `path` and checks it against an index of `entries` entries: false (and nothing is used)
  // when the file is missing, of another version, of the wrong size, or when an order is not a
  // permutation of 1..entries (a damaged file never gives an entry twice or leaves one out).
  bool Open(const std::string& path, uint32_t entries);
  void Close();
  bool IsOpen() const { return file_.Data() != nullptr && count_ != 0; }
  uint32_t Count() const { return count_; }

  // The entry at `position` (0-based, < Count) of `key`'s ascending order.
  uint32_t IdAt(int32_t key, uint32_t position) const;
  // Whether the entry at `position` has the same key as the one at position - 1.
  bool SameAsBefore(int32_t key, uint32_t position) const;

 private:
  bool OrdersArePermutations() const;

  MappedFile file_;
  uint32_t count_ = 0;
};

}  // namespace sorvik
