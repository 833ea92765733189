// Layout of the five snapshot files of an index folder: db.txt with its offset file db.txt.mai,
// index.rw (month codes), index.cm (category bitmaps) and index.dm (folder tree). All binary
// values are little-endian; all texts are GBK. docs/formats.md describes the same layout.
#pragma once

#include <cstdint>
#include <string>

#include "platform/find.h"
#include "platform/local_time.h"

namespace sorvik {
namespace snapshot {

// File names inside an index folder (".\ScanTemp" while building, ".\NIndex" when live).
constexpr const char kRecordFile[] = "db.txt";
constexpr const char kOffsetSuffix[] = ".mai";  // appended to the record file's path
constexpr const char kMonthFile[] = "index.rw";
constexpr const char kCategoryFile[] = "index.cm";
constexpr const char kFolderFile[] = "index.dm";

// db.txt: an 8-byte header, then the record texts back to back.
constexpr uint32_t kNextIdOffset = 0;     // u32: id the next record gets; records = nextId - 1
constexpr uint32_t kEndOffsetOffset = 4;  // u32: offset just past the last record
constexpr uint32_t kFirstRecordOffset = 8;
constexpr uint32_t kRecordBufferSize = 1100;  // one record text and its terminator
constexpr uint32_t kMaxRecordText = kRecordBufferSize - 1;

// db.txt.mai: u32 start offset of record id at (id - 1) * 4.
constexpr uint32_t kOffsetEntrySize = 4;

// index.rw: six slots of 250 distinct month codes (descending, zero-filled), then one u16 code
// per entry id at kMonthCodesOffset + (id - 1) * 2.
constexpr uint32_t kMonthSlotCount = 6;
constexpr uint32_t kMonthSlotCodes = 250;
constexpr uint32_t kMonthSlotBytes = kMonthSlotCodes * 2;                  // 500
constexpr uint32_t kMonthCodesOffset = kMonthSlotCount * kMonthSlotBytes;  // 3000

// Month code of a local time: ((year - 1900) mod 256) * 256 + month (1..12). Never 0.
inline uint16_t MonthCode(int year, int month) {
  return static_cast<uint16_t>((((year - 1900) % 256 + 256) % 256) * 256 + month);
}

// index.cm: six bitmaps of (N + 7) / 8 bytes each; id k is bit (k - 1) % 8 of byte (k - 1) / 8.
// The same numbers name the month-code slots of index.rw (slot 0 is all entries, slot 1 folders)
// and the category of a search request (0 and 2..5; -1 means all).
enum Category : int {
  kFolders = 0,
  kHidden = 1,
  kPictures = 2,
  kDocuments = 3,
  kApplications = 4,
  kAudioVideo = 5,
};
constexpr int kCategoryCount = 6;
inline uint32_t BitmapBytes(uint32_t entries) { return (entries + 7) / 8; }

// index.dm: one 16-byte folder record per folder and drive root, numbered from 1 in pre-order.
constexpr uint32_t kFolderRecordSize = 16;
constexpr uint32_t kFolderEntryField = 0;    // entry id; for a root its first 4 name bytes
constexpr uint32_t kFolderSiblingField = 4;  // next folder with the same parent / next root
constexpr uint32_t kFolderChildField = 8;    // first sub-folder (first top-level folder of a root)
constexpr uint32_t kFolderCountField = 12;   // entries below, all levels, itself not counted

// The longest folder path that is walked. Every record below such a folder stays within the
// record store's 1099-byte read limit: 30 bytes of line keys and line ends, a time text of at
// most 16, a name of at most 259 and the holding folder's path (1099 - 30 - 16 - 259). A longer
// folder is recorded but not descended into.
constexpr uint32_t kMaxWalkedPath = 794;

}  // namespace snapshot

// The rules by which an entry on disk becomes a record: the walker applies them, and so do the
// readers that add entries between builds (the live layer), so both live here and not in the
// walker.

// The digits of record texts: lowercase hexadecimal (times, sizes) and decimal (parent ids).
void AppendHex(std::string* out, uint64_t value);
void AppendDecimal(std::string* out, uint64_t value);
// The time text and month-code year of one local time: years up to 1970 and after
// `current_year` give the decimal current year and that year; otherwise the lowercase
// hexadecimal Unix seconds of the local minute and the file's own year.
std::string TimeText(const LocalTime& local, int current_year, int* code_year);
// TimeText appended to `out`, with `minute_seconds` the Unix seconds of the local minute
// (-1 when unknown).
void AppendTimeText(std::string* out, const LocalTime& local, int current_year,
                    int64_t minute_seconds, int* code_year);
// Whether a directory result is left out: "." and "..", and temporary files
// (kAttributeTemporary).
bool SkipsResult(const FindRecord& record);
// The category (snapshot::kDocuments, kPictures, kAudioVideo, kApplications) of a file name by
// its extension, or -1 for none.
int CategoryOfName(const char* name);

}  // namespace sorvik
