// EntryDetails: one entry as the result list shows it (name, folder, time, size), and how it is
// read from the record store.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

class RecordStore;

// The size of a folder: its record's "S:-1" parses to all bits set.
constexpr uint64_t kFolderSize = ~0ull;

struct EntryDetails {
  uint64_t modifiedTime = 0;  // "M": seconds since 1970 (UTC) as written by the walker
  uint64_t size = 0;          // "S": bytes; kFolderSize for a folder
  std::string name;           // "I"
  std::string folderPath;     // the holding folder, no trailing backslash ("C:" for a root)

  bool IsFolder() const { return size == kFolderSize; }
  // folderPath + "\" + name; a root gives "C:\name".
  std::string FullPath() const { return folderPath + "\\" + name; }
};

// The four fields of a record text that the details need. Lines are split as the record store
// splits them: up to the first empty line, key before the first ":", a repeated key overwrites.
struct RecordFields {
  std::string name;      // "I"
  std::string modified;  // "M"
  std::string where;     // "D"
  std::string size;      // "S"
};

// Reads the fields of record `id`; false when the record cannot be read.
bool ReadRecordFields(RecordStore* store, uint32_t id, RecordFields* fields);

// A decimal entry id that fills the whole text; 0 for anything else.
uint32_t ParseParentId(const std::string& text);

// The folder path of an entry whose "D" field `where` names its parent by id: the parent's "D"
// + "\" + its "I"; empty when `where` is not an id or the parent cannot be read.
std::string ParentPathOf(RecordStore* store, const std::string& where);

// Parses the leading hexadecimal number of `text` the way "%I64x" scans it: blanks, an optional
// sign, an optional "0x", then hex digits, kept modulo 2^64 ("-1" gives all bits set). No digits
// give 0.
uint64_t ParseHex64(const std::string& text);

// Reads entry `id` from `store` into `out`. Returns false, with empty texts and zeros, when the
// record cannot be read. The folder path comes from "D" when it holds ":"; otherwise "D" names
// the parent folder's id, whose own "D" + "\" + "I" is the path. A parent id that is not a number
// or cannot be read gives an empty folder path; only that one parent is ever read.
bool LoadEntryDetails(RecordStore* store, uint32_t id, EntryDetails* out);

}  // namespace sorvik
