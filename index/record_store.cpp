#include "index/record_store.h"

#include <algorithm>
#include <cstring>

namespace sorvik {

using namespace snapshot;

std::string EntryRecord::Get(const std::string& key) const {
  auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

bool RecordCursor::Read(EntryRecord* record) { return store_->Read(current_, record); }

bool RecordCursor::Next() {
  current_ += 1;
  return current_ <= store_->Count();
}

bool RecordStore::Open(const std::string& path) {
  Close();
  path_ = path;
  data_ = OpenWinFile(path, kOpenExisting);
  if (data_) {
    next_id_ = 0;
    end_offset_ = 0;
    header_on_disk_ = data_->ReadU32At(kNextIdOffset, &next_id_) == 4 &&
                      data_->ReadU32At(kEndOffsetOffset, &end_offset_) == 4;
    stored_next_id_ = next_id_;
    stored_end_offset_ = end_offset_;
  } else {
    next_id_ = 1;
    end_offset_ = kFirstRecordOffset;
    data_ = OpenWinFile(path, kOpenAlways);
    if (!data_) return false;
    data_->WriteU32At(kNextIdOffset, next_id_);
    data_->WriteU32At(kEndOffsetOffset, end_offset_);
    header_on_disk_ = false;  // written again on Close, as before
  }
  offsets_ = OpenWinFile(path + kOffsetSuffix, kOpenAlways);
  if (!offsets_) {
    data_.reset();
    return false;
  }
  cursor_.Reset();
  return true;
}

uint32_t RecordStore::Append(const std::string& text) {
  if (!data_ || next_id_ == 0 || next_id_ == 0xFFFFFFFFu) return 0;
  uint64_t end = static_cast<uint64_t>(end_offset_) + text.size();
  if (end > 0xFFFFFFFFull) return 0;
  DropReadState();  // blocks read or mapped before may end where this record begins
  if (append_buffer_limit_ == 0) {
    data_->WriteAt(end_offset_, text.data(), static_cast<uint32_t>(text.size()));
    offsets_->WriteU32At(static_cast<uint64_t>(next_id_ - 1) * kOffsetEntrySize, end_offset_);
  } else {
    if (pending_offsets_.empty()) {
      pending_start_ = end_offset_;
      pending_first_id_ = next_id_;
    }
    pending_texts_.append(text);
    char slot[kOffsetEntrySize];
    for (uint32_t i = 0; i < kOffsetEntrySize; ++i) {
      slot[i] = static_cast<char>(end_offset_ >> (8 * i));
    }
    pending_offsets_.append(slot, kOffsetEntrySize);
    if (pending_texts_.size() >= append_buffer_limit_) FlushAppends();
  }
  end_offset_ = static_cast<uint32_t>(end);
  return next_id_++;
}

void RecordStore::FlushAppends() {
  if (pending_offsets_.empty()) return;
  if (!pending_texts_.empty()) {
    data_->WriteAt(pending_start_, pending_texts_.data(),
                   static_cast<uint32_t>(pending_texts_.size()));
  }
  offsets_->WriteAt(static_cast<uint64_t>(pending_first_id_ - 1) * kOffsetEntrySize,
                    pending_offsets_.data(), static_cast<uint32_t>(pending_offsets_.size()));
  pending_texts_.clear();
  pending_offsets_.clear();
}

bool RecordStore::TextBounds(uint32_t id, uint32_t* start, uint32_t* length) {
  if (!data_ || id == 0 || id > Count()) return false;
  FlushAppends();
  uint32_t bounds[2] = {0, 0};
  uint32_t got = offsets_ahead_.Read(
      offsets_.get(), static_cast<uint64_t>(id - 1) * kOffsetEntrySize, bounds, sizeof bounds);
  if (got < kOffsetEntrySize) return false;
  *start = bounds[0];
  // The last record ends at the header's end offset, whatever follows in the offset file.
  uint32_t end = (id == Count() || got < sizeof bounds || bounds[1] == 0) ? end_offset_ : bounds[1];
  if (end < *start) return false;
  *length = std::min<uint32_t>(end - *start, kMaxRecordText);
  return true;
}

bool RecordStore::TextLength(uint32_t id, uint32_t* length) {
  uint32_t start = 0;
  return TextBounds(id, &start, length);
}

bool RecordStore::ReadText(uint32_t id, const char** text, uint32_t* length) {
  uint32_t start = 0, wanted = 0;
  if (!TextBounds(id, &start, &wanted)) return false;
  uint32_t read = wanted == 0 ? 0 : data_ahead_.Read(data_.get(), start, buffer_, wanted);
  if (read > wanted) read = 0;
  buffer_[read] = '\0';
  *text = buffer_;
  *length = read;
  return true;
}

bool RecordStore::Read(uint32_t id, EntryRecord* record) {
  const char* text = nullptr;
  uint32_t length = 0;
  if (!ReadText(id, &text, &length)) return false;
  record->id = id;
  ParseRecordText(text, length, record);
  return true;
}

void ParseRecordText(const char* text, uint32_t length, EntryRecord* record) {
  record->fields.clear();
  ForEachRecordField(
      text, length,
      [record](const char* key, uint32_t key_length, const char* value, uint32_t value_length) {
        record->fields[std::string(key, key_length)] = std::string(value, value_length);
      });
}

uint32_t RecordStore::OffsetSlots() const {
  if (!offsets_) return 0;
  uint64_t slots = offsets_->Size() / kOffsetEntrySize;
  if (!pending_offsets_.empty()) slots = std::max<uint64_t>(slots, Count());
  return slots > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(slots);
}

RecordCursor* RecordStore::Begin() {
  cursor_.Reset();
  return &cursor_;
}

bool RecordStore::MapForReading() {
  DropReadState();
  if (data_) FlushAppends();
  if (!data_ || !mapped_data_.Map(path_, kFlagSequentialScan) ||
      !mapped_offsets_.Map(path_ + kOffsetSuffix, kFlagSequentialScan)) {
    DropReadState();
    return false;
  }
  data_ahead_.UseMapping(mapped_data_.Data(), mapped_data_.Size());
  offsets_ahead_.UseMapping(mapped_offsets_.Data(), mapped_offsets_.Size());
  return true;
}

void RecordStore::DropReadState() {
  data_ahead_.Invalidate();
  offsets_ahead_.Invalidate();
  mapped_data_.Unmap();
  mapped_offsets_.Unmap();
}

void RecordStore::Close() {
  DropReadState();
  if (data_) {
    FlushAppends();
    // A store that was only read already has this header: rewriting it would make the close
    // flush the file to disk for nothing.
    if (!header_on_disk_ || next_id_ != stored_next_id_ || end_offset_ != stored_end_offset_) {
      data_->WriteU32At(kNextIdOffset, next_id_);
      data_->WriteU32At(kEndOffsetOffset, end_offset_);
    }
  }
  data_.reset();
  offsets_.reset();
}

}  // namespace sorvik
