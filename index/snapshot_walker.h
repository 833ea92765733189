// SnapshotWalker: walks drives depth first into the record store and the per-entry files of a
// build folder: db.txt and db.txt.mai, index.rw, index.cm, index.dm (layout in
// index/snapshot_format.h and docs/formats.md).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/grow_bitmap.h"
#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "platform/file.h"
#include "platform/find.h"
#include "platform/local_time.h"

namespace sorvik {

class SnapshotWalker {
 public:
  static constexpr uint32_t kPathBufferSize = 1024;  // the path buffer of WalkFolder
  // Longest folder path that is walked. Every record below such a folder stays within the
  // record store's 1099-byte read limit: 30 bytes of line keys and line ends, a time text of
  // at most 16, a name of at most 259 and the holding folder's path (1099 - 30 - 16 - 259).
  // A longer folder is recorded but not descended into. Also far below kPathBufferSize.
  static constexpr uint32_t kMaxWalkedPath = 794;
  static constexpr uint32_t kProgressEvery = 400;  // directory entries between progress texts
  static constexpr uint32_t kMonthFileZeroBytes = snapshot::kMonthCodesOffset;  // 3000

  // Empties and recreates `build_folder` (deletes it with everything in it, waits `settle_ms`,
  // creates it), opens the outputs there and looks for the first-build dialog once.
  explicit SnapshotWalker(const std::string& build_folder = ".\\ScanTemp",
                          uint32_t settle_ms = 1000);
  SnapshotWalker(const SnapshotWalker&) = delete;
  SnapshotWalker& operator=(const SnapshotWalker&) = delete;
  // Finishes the snapshot: completes index.rw, writes index.cm, writes the db.txt header and
  // closes every file.
  ~SnapshotWalker();

  // False when the build folder or one of its files could not be prepared; WalkRoot then
  // records nothing and destruction writes nothing more.
  bool IsReady() const { return ready_; }

  // Walks one drive, `root` being its name without a trailing backslash ("C:"). Returns the
  // number of entries recorded below it. REQUIRES: drives are walked in the order Z down to B.
  uint32_t WalkRoot(const std::string& root);

  uint32_t EntryCount() const { return entry_count_; }        // entries recorded so far
  uint32_t EntriesSeen() const { return entries_seen_; }      // directory results, skipped included
  uint32_t FolderRecords() const { return folder_records_; }  // records in index.dm so far

 private:
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
  void WriteFolderRecord(uint32_t number, uint32_t first, uint32_t sibling, uint32_t child,
                         uint32_t count);
  void PostProgress(const std::string& text);
  void Finish();

  std::string folder_;                // build folder, without a trailing backslash
  bool ready_ = false;                // the outputs are open
  int current_year_ = 0;              // local year at construction, 0 when unknown
  std::string message_;               // the last progress text
  uintptr_t progress_window_ = 0;     // first-build dialog, 0 when none
  uint32_t entries_seen_ = 0;         // directory results met, "." and ".." and skipped included
  uint32_t folder_records_ = 0;       // folder records written to index.dm
  uint32_t entry_count_ = 0;          // entries recorded; the last id issued
  uint32_t last_root_record_ = 0;     // folder record of the last walked root, 0 before the first
  std::unique_ptr<WinFile> rw_file_;  // index.rw
  RecordStore store_;                 // db.txt and db.txt.mai
  std::unique_ptr<WinFile> dm_file_;  // index.dm
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

// The time text and month-code year of one local time: years up to 1970 and after
// `current_year` give the decimal current year and that year; otherwise the lowercase
// hexadecimal Unix seconds of the local minute and the file's own year. Exposed for tests.
std::string TimeText(const LocalTime& local, int current_year, int* code_year);

// Whether the walker leaves a directory result out: "." and "..", and temporary files
// (kAttributeTemporary). Exposed for tests.
bool SkipsResult(const FindRecord& record);

// The category (snapshot::kDocuments, kPictures, kAudioVideo, kApplications) of a file name by
// its extension, or -1 for none. Exposed for tests.
int CategoryOfName(const char* name);

}  // namespace sorvik
