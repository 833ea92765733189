// The record store: db.txt (entry records as text) and its offset file db.txt.mai.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "index/read_ahead.h"
#include "index/snapshot_format.h"
#include "platform/file.h"

namespace sorvik {

// One parsed record: the entry id and its "key:value" lines.
class EntryRecord {
 public:
  ~EntryRecord() = default;
  // The entry's name (the "I" line).
  std::string Name() const { return Get("I"); }
  // The value of `key`, or an empty string when the record has no such line.
  std::string Get(const std::string& key) const;

  uint32_t id = 0;                            // entry id the record was read for
  std::map<std::string, std::string> fields;  // key text before the first ":" -> value
};

class RecordStore;

// Walks the store's ids 1..N: call Next before each Read until Next returns false.
class RecordCursor {
 public:
  explicit RecordCursor(RecordStore* store) : store_(store) {}
  ~RecordCursor() = default;
  bool Read(EntryRecord* record);
  bool Next();
  uint32_t CurrentId() const { return current_; }
  void Reset() { current_ = 0; }

 private:
  RecordStore* store_;    // the store this cursor belongs to
  uint32_t current_ = 0;  // id of the record Read returns
};

class RecordStore {
 public:
  static constexpr uint32_t kReadAheadBytes = 64 * 1024;  // block read ahead per file
  static constexpr uint32_t kReadAheadNear = 4096;        // a read this close ahead is a scan

  RecordStore() : cursor_(this) {}
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;
  ~RecordStore() { Close(); }

  // Opens `path` and path + ".mai"; a missing db.txt is created with the header (1, 8).
  // Returns false when either file cannot be opened.
  bool Open(const std::string& path);
  // Appends one record text and returns its id (0 when the store is not open or the data file
  // would pass 4 GiB).
  uint32_t Append(const std::string& text);
  // Reads and parses record `id`. False for id 0, an id beyond Count, a missing offset slot or
  // a damaged offset (an end before the start); a text longer than the 1099-byte buffer is cut.
  bool Read(uint32_t id, EntryRecord* record);
  // Reads the raw text of record `id` into the store's buffer; `text` stays valid until the
  // next read. Same failures as Read. Reads in ascending id order are served from blocks read
  // ahead (see ReadAhead), so a scan of every record costs a few system calls per block.
  bool ReadText(uint32_t id, const char** text, uint32_t* length);
  // The length ReadText would give for record `id`, read from the offset file alone.
  bool TextLength(uint32_t id, uint32_t* length);
  uint32_t Count() const { return next_id_ == 0 ? 0 : next_id_ - 1; }
  // The number of ids the offset file has a slot for; a damaged header may claim more.
  uint32_t OffsetSlots() const;
  // The embedded cursor, rewound to before id 1.
  RecordCursor* Begin();
  // Keeps up to `bytes` of appended texts (and their offsets) in memory and writes them in
  // blocks: before any read, on Close, and whenever the texts pass `bytes`. 0 (the default)
  // writes every append at once. The files end up byte for byte the same.
  void BufferAppends(uint32_t bytes) {
    FlushAppends();
    append_buffer_limit_ = bytes;
  }
  // Writes the buffered appends.
  void FlushAppends();
  // Maps both files for reading, so that ReadText copies from memory; an Append or Close drops
  // the mappings. False (reads then go to the files) when either file cannot be mapped.
  bool MapForReading();
  // Writes the header (unless the file already holds it, as after reads only) and closes both
  // files. Safe to call twice.
  void Close();
  bool IsOpen() const { return data_ != nullptr; }
  uint32_t EndOffset() const { return end_offset_; }

 private:
  // Where the text of record `id` starts in db.txt and its length, cut to kMaxRecordText.
  bool TextBounds(uint32_t id, uint32_t* start, uint32_t* length);
  // Forgets the blocks read ahead and the mappings.
  void DropReadState();

  std::unique_ptr<WinFile> data_;                       // db.txt
  std::unique_ptr<WinFile> offsets_;                    // db.txt.mai
  uint32_t next_id_ = 1;                                // id of the next appended record
  uint32_t end_offset_ = snapshot::kFirstRecordOffset;  // just past the last record
  RecordCursor cursor_;                                 // the cursor Begin hands out
  char buffer_[snapshot::kRecordBufferSize];            // one record text, terminated
  uint32_t append_buffer_limit_ = 0;  // bytes of texts held before writing; 0 = none
  std::string pending_texts_;         // appended texts not yet written, from pending_start_
  std::string pending_offsets_;       // their offset slots (u32 each), from pending_first_id_
  uint32_t pending_start_ = 0;        // db.txt offset of the first pending text
  uint32_t pending_first_id_ = 0;     // id of the first pending text

  ReadAhead data_ahead_{kReadAheadBytes, kReadAheadNear};     // reads of db.txt
  ReadAhead offsets_ahead_{kReadAheadBytes, kReadAheadNear};  // reads of db.txt.mai
  std::string path_;                                          // db.txt as opened
  bool header_on_disk_ = false;                               // the header read at Open was whole
  uint32_t stored_next_id_ = 0;                               // the header's values as read at Open
  uint32_t stored_end_offset_ = 0;                            // (with stored_next_id_)
  MappedFile mapped_data_;                                    // db.txt, after MapForReading
  MappedFile mapped_offsets_;                                 // db.txt.mai, likewise
};

// Calls visit(line, key_length) for each line of a record text up to the first empty one that
// holds a ":" at position 1 or later: the key is the text before that first ":", the value the
// rest of the line after it. Lines without a key are skipped.
template <typename Visit>
void ForEachRecordField(const char* text, uint32_t length, Visit visit) {
  uint32_t pos = 0;
  while (pos < length) {
    const char* line = text + pos;
    const void* feed = std::memchr(line, '\n', length - pos);
    uint32_t line_length =
        feed ? static_cast<uint32_t>(static_cast<const char*>(feed) - line) : length - pos;
    if (line_length == 0) break;
    const void* colon = std::memchr(line, ':', line_length);
    if (colon != nullptr && colon != line) {
      const uint32_t key_length = static_cast<uint32_t>(static_cast<const char*>(colon) - line);
      visit(line, key_length, line + key_length + 1, line_length - key_length - 1);
    }
    pos += line_length + 1;
  }
}

// Splits a record text into `record`: each field of ForEachRecordField, the last repeated key
// winning.
void ParseRecordText(const char* text, uint32_t length, EntryRecord* record);

}  // namespace sorvik
