// The open files of a live index folder (".\NIndex"): the record store, the name index, the
// initials index, the category bitmaps, the folder tree and a read-only mapping of the month
// codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/index_reader.h"
#include "index/initials_reader.h"
#include "index/record_store.h"
#include "platform/file.h"
#include "query/sort_orders.h"

namespace sorvik {

class LoadedIndex {
 public:
  LoadedIndex() = default;
  LoadedIndex(const LoadedIndex&) = delete;
  LoadedIndex& operator=(const LoadedIndex&) = delete;

  // Opens the files of `folder` (".\NIndex", no trailing backslash). index.cm is opened only when
  // it exists; index.dm is created empty when missing. False when the record store or the key
  // matrix cannot be opened, or when the files do not fit each other (Problem says how): the
  // key matrix's frame and index.dat (IndexReader::Usable), index.dm and the folders of index.cm.
  bool Open(const std::string& folder);
  const std::string& Problem() const { return problem_; }
  // The first key of the name or initials matrix that a search found at fault (a search that
  // reads one fails), worded for a message; empty while none was found.
  std::string Damage() const;

  // N: the entries of the index. A header that claims more records than the offset file has
  // slots for is not trusted beyond the slots.
  uint32_t EntryCount() const { return entry_count_; }
  // Month code of entry `id`, 0 when the mapped index.rw does not reach it.
  uint16_t MonthCode(uint32_t id) const;
  // The month codes of ids 1..`count` as stored (u16 each, little-endian, entry k at 2 * (k - 1)),
  // `count` being as many as the mapped index.rw holds, at most N; null with 0 without it.
  const uint8_t* MonthCodes(uint32_t* count) const;
  // Appends the codes of month slot `slot` (0..5) in stored order, up to the first 0 or 250
  // codes; returns how many were appended.
  uint32_t MonthCodesOf(int slot, std::vector<uint16_t>* out) const;
  // Reads category bitmap `category` (0..5) of index.cm into `bitmap`, resized to
  // (N + 7) / 8 bytes; what the file does not hold reads as zero (so a missing index.cm
  // matches nothing).
  void ReadCategory(int category, std::vector<uint8_t>* bitmap);

  RecordStore* store() { return &store_; }
  IndexReader* reader() { return &reader_; }
  // The initials index, or null when the folder has none that fits (a build of an older version).
  // The initials index, opened when first asked for (a search without pinyin never reads it);
  // null when its files are missing or do not fit.
  InitialsReader* initials();
  // The removal list (query/removal_list.h), opened at the first search that finds it and kept
  // open: it is only ever appended to while this index is loaded (a swap removes it, and loads
  // again), so every search reads it whole through the one handle; null while there is none.
  WinFile* RemovalList();
  // Whether a read of the name or initials index failed since the last call (a list came up
  // short, a key at fault: IndexReader::TakeFailedRead); clears the marks.
  bool TakeFailedRead();
  WinFile* folders() { return folders_.get(); }
  // The stored sort orders (index.ord), opened and checked on first use; null when the folder
  // has none that fits (a build of an older version, a damaged file).
  const SortOrders* sortOrders();
  // Stops using the stored orders: a page cut from them was found out of order. Sorted searches
  // of this index read every match's details from now on.
  void DropSortOrders() { sort_orders_.Close(); }
  // Path of a file of this index folder.
  std::string PathOf(const char* name) const { return folder_ + "\\" + name; }

 private:
  std::string folder_;                   // the index folder
  RecordStore store_;                    // db.txt and its offset file
  IndexReader reader_;                   // index.mtr and index.dat
  InitialsReader initials_;              // index.pym and index.pyd, when they fit
  bool initials_tried_ = false;          // initials() has tried to open them
  std::unique_ptr<WinFile> removals_;    // remove.dat once it exists
  std::unique_ptr<WinFile> categories_;  // index.cm; null when missing
  std::unique_ptr<WinFile> folders_;     // index.dm
  MappedFile months_;                    // index.rw
  SortOrders sort_orders_;               // index.ord, once asked for
  bool sort_orders_tried_ = false;       // whether sortOrders has tried to open it
  uint32_t entry_count_ = 0;             // N
  std::string problem_;                  // why Open refused the files, empty otherwise

  // Whether index.dm holds one record per folder (bitmap 0 of index.cm) and per walked root.
  bool FolderTreeFits();
};

}  // namespace sorvik
