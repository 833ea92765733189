// SnapshotWalker: walks drives depth first into the record store and the per-entry files of a
// build folder: db.txt and db.txt.mai, index.rw, index.cm, index.dm (layout in
// index/snapshot_format.h and docs/formats.md).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/folder_exclusion.h"
#include "index/folder_lister.h"
#include "index/grow_bitmap.h"
#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "platform/file.h"
#include "platform/find.h"
#include "platform/local_time.h"
#include "platform/status.h"

namespace sorvik {

class SnapshotWalker {
 public:
  static constexpr uint32_t kPathBufferSize = 1024;  // the path buffer of WalkFolder
  // Longest folder path that is walked (snapshot::kMaxWalkedPath), far below kPathBufferSize.
  static constexpr uint32_t kMaxWalkedPath = snapshot::kMaxWalkedPath;
  static constexpr uint32_t kProgressEvery = 400;  // directory entries between progress texts
  static constexpr uint32_t kMonthFileZeroBytes = snapshot::kMonthCodesOffset;  // 3000

  // Empties and recreates `build_folder` (deletes it with everything in it, waits `settle_ms`,
  // creates it), opens the outputs there and looks for the first-build dialog once. Null, with
  // `status` (optional) naming the file that could not be prepared and why, on failure.
  static std::unique_ptr<SnapshotWalker> Open(const std::string& build_folder, uint32_t settle_ms,
                                              Status* status = nullptr);
  SnapshotWalker(const SnapshotWalker&) = delete;
  SnapshotWalker& operator=(const SnapshotWalker&) = delete;
  // Finishes the snapshot unless Finish did.
  ~SnapshotWalker();
  // Finishes the snapshot: completes index.rw, writes index.cm, writes the db.txt header and
  // closes every file. Walks nothing more afterwards. Why a file could not be written, if one
  // could not.
  Status Finish();

  // Walks one drive, `root` being its name without a trailing backslash ("C:"). Returns the
  // number of entries recorded below it. REQUIRES: drives are walked in the order Z down to B.
  uint32_t WalkRoot(const std::string& root);

  // The folders left out from here on: each keeps its own entry, nothing below it is walked.
  void SetExclusion(const FolderExclusion& exclusion) { exclusion_ = exclusion; }
  // Threads that list folders ahead of the walk (FolderLister); 0 lists each folder when the walk
  // enters it. What is recorded is the same either way. Takes effect at the next WalkRoot.
  void SetListerThreads(unsigned threads) { lister_threads_ = threads; }

  uint32_t EntryCount() const { return entry_count_; }        // entries recorded so far
  uint32_t EntriesSeen() const { return entries_seen_; }      // directory results, skipped included
  uint32_t FolderRecords() const { return folder_records_; }  // records in index.dm so far

 private:
  explicit SnapshotWalker(const std::string& build_folder);
  // The I/O of Open: the fresh folder and the outputs in it.
  Status Prepare(uint32_t settle_ms);

  // One growable list of distinct month codes in first-seen order, with a bit per code value
  // so that the "absent?" test costs nothing.
  struct MonthList {
    std::vector<uint16_t> codes;          // distinct codes, first seen first
    std::unique_ptr<uint64_t[]> present;  // bit c set when code c is in `codes`
  };

  // Walks the folder whose path is the first `path_length` bytes of path_; returns the
  // entries recorded below it and sets `first_child` to its first sub-folder's record (0 for
  // none).
  uint32_t WalkFolder(uint32_t path_length, uint32_t parent_id, uint32_t* first_child);
  // Appends "M:" and the time text of `record` to record_; sets `local` to its local time with
  // the year replaced by currentYear when out of range.
  void AppendTime(const FindRecord& record, LocalTime* local);
  // Month code, category bits and month lists of one entry.
  void ClassifyEntry(const FindRecord& record, const LocalTime& local, uint32_t id);
  void AddMonth(int list, uint16_t code);
  void WriteMonthCode(uint16_t code);
  void FlushMonthCodes();
  // index.dm is kept in folder_bytes_ while the walk runs (16 bytes a folder; a folder's record
  // is written after its sub-folders' and its sibling field later still) and written by Finish.
  void WriteFolderRecord(uint32_t number, uint32_t first, uint32_t sibling, uint32_t child,
                         uint32_t count);
  void SetSibling(uint32_t number, uint32_t sibling);
  void WriteFolderRecords();
  void PostProgress(const std::string& text);

  // Whether the sub-folder `name` of the folder path_[0, path_length) is left out.
  bool LeftOut(uint32_t path_length, const char* name) const;
  // Whether the walk enters `entry`, listed in the folder path_[0, path_length); if so, sets
  // `sub_path` to where it is listed from.
  bool Descends(const FindRecord& entry, uint32_t path_length, FindPath* sub_path) const;
  // Whether the sub-folder `name` of the folder path_[0, path_length) is the browser's cache.
  bool EntersSkippedFolder(uint32_t path_length, const char* name) const;
  // The sub-folders of `listing` (of the folder path_[0, path_length)) that the walk enters, in
  // walk order: their places in the listing and where each is listed from. Worked out once per
  // folder, for the lister ahead of the walk and for the walk itself.
  struct SubFolders {
    std::vector<size_t> at;
    std::vector<FindPath> paths;
  };
  SubFolders SubFoldersOf(const FolderListing& listing, uint32_t path_length) const;

  FolderExclusion exclusion_;  // folders recorded but not walked
  unsigned lister_threads_ = FolderLister::DefaultThreads();
  std::unique_ptr<FolderLister> lister_;  // lists folders ahead of the walk; made by WalkRoot
  std::string folder_;                    // build folder, without a trailing backslash
  bool ready_ = false;                    // the outputs are open and not finished
  int current_year_ = 0;                  // local year at construction, 0 when unknown
  std::string message_;                   // the last progress text
  uintptr_t progress_window_ = 0;         // first-build dialog, 0 when none
  uint32_t entries_seen_ = 0;          // directory results met, "." and ".." and skipped included
  uint32_t folder_records_ = 0;        // folder records written to index.dm
  uint32_t entry_count_ = 0;           // entries recorded; the last id issued
  uint32_t last_root_record_ = 0;      // folder record of the last walked root, 0 before the first
  std::unique_ptr<WinFile> rw_file_;   // index.rw
  RecordStore store_;                  // db.txt and db.txt.mai
  std::unique_ptr<WinFile> dm_file_;   // index.dm
  std::vector<uint8_t> folder_bytes_;  // index.dm's records, written by Finish
  GrowBitmap category_bits_[snapshot::kCategoryCount];  // folders, hidden, pictures, ...
  MonthList month_lists_[snapshot::kMonthSlotCount];    // all, folders, pictures, ...
  std::vector<uint8_t> rw_pending_;  // month codes not yet written, little-endian
  uint64_t rw_next_offset_ = 0;      // where the first pending code goes in index.rw
  std::string record_;               // the record text being built
  char path_[kPathBufferSize];       // the path buffer, extended and cut back while walking
  // Where the folder being walked is listed from: path_ itself, unless a folder on the way has a
  // name that lost characters and is reached another way.
  FindPath walk_;
};

}  // namespace sorvik
