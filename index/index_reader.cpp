#include "index/index_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace sorvik {

using namespace names;

namespace {

constexpr uint32_t kReadIds = 16384;  // ids per read while marking a whole region

void MarkIds(const uint32_t* ids, uint32_t count, uint8_t* bits, uint32_t entry_count) {
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t id = ids[i];
    if (id == 0 || id > entry_count) continue;  // damage: not an entry of this index
    bits[(id - 1) / 8] |= static_cast<uint8_t>(1u << ((id - 1) % 8));
  }
}

}  // namespace

const uint32_t* PostingRange::List(uint32_t position, uint32_t* count) const {
  *count = 0;
  if (matrix_ == nullptr || position < first_ || position > last_) return nullptr;
  MatrixCell cell = matrix_->Lookup(key_, position);
  if (cell.value == 0 || cell.offset < start_ || (cell.offset - start_) % kIdBytes != 0) {
    return nullptr;
  }
  uint64_t index = (cell.offset - start_) / kIdBytes;
  if (index + cell.value > ids_.size()) return nullptr;
  *count = cell.value;
  return ids_.data() + index;
}

bool IndexReader::Open(const std::string& matrix_path, const std::string& posting_path) {
  Close();
  if (!matrix_.Open(matrix_path)) return false;
  postings_ = OpenWinFile(posting_path, kOpenExisting);
  posting_size_ = postings_ ? postings_->Size() : 0;
  return true;
}

void IndexReader::Close() {
  postings_.reset();
  posting_size_ = 0;
  matrix_.Close();
}

const uint8_t* IndexReader::Bits(uint32_t key) const {
  static const uint8_t kNone[kBitmapBytes] = {};
  return matrix_.IsOpen() ? matrix_.Bits(key) : kNone;
}

void IndexReader::GetBits(uint32_t key, uint8_t out[kBitmapBytes]) const {
  std::memcpy(out, Bits(key), kBitmapBytes);
}

bool IndexReader::InPostingFile(uint64_t offset, uint64_t length) const {
  return postings_ && offset % kIdBytes == 0 && length % kIdBytes == 0 &&
         offset + length <= posting_size_;
}

MatrixCell IndexReader::Lookup(uint32_t key, uint32_t position) const {
  MatrixCell cell = matrix_.Lookup(key, position);
  uint64_t length = position == kSummaryPosition ? cell.value : uint64_t{kIdBytes} * cell.value;
  return InPostingFile(cell.offset, length) ? cell : MatrixCell();
}

int IndexReader::ReadPostings(uint32_t key, uint8_t* bits, uint32_t entry_count) {
  MatrixCell region = Lookup(key, kSummaryPosition);
  if (region.value == 0) return 0;
  // The region is read in pieces, so a large key costs no large allocation.
  std::unique_ptr<uint32_t[]> ids(new (std::nothrow) uint32_t[kReadIds]);
  if (!ids) return 0;
  uint64_t at = region.offset;
  uint64_t end = at + region.value;
  while (at < end) {
    uint32_t want = static_cast<uint32_t>(std::min<uint64_t>(end - at, kReadIds * kIdBytes));
    uint32_t got = postings_->ReadAt(at, ids.get(), want);
    if (got > want) got = 0;
    MarkIds(ids.get(), got / kIdBytes, bits, entry_count);
    if (got < want) break;
    at += want;
  }
  return 1;
}

bool IndexReader::ReadRange(uint32_t key, uint32_t first, uint32_t last, PostingRange* out) {
  out->ids_.clear();
  out->matrix_ = nullptr;
  if (first == 0 || first > last || last > kMaxPosition) return false;
  MatrixCell from = Lookup(key, first);
  MatrixCell to = Lookup(key, last);
  if (from.value == 0 || to.value == 0) return false;
  uint64_t end = to.offset + uint64_t{kIdBytes} * to.value;
  if (end <= from.offset) return false;
  uint64_t bytes = end - from.offset;
  if (bytes > 0xFFFFFFFFu) return false;
  try {
    out->ids_.resize(static_cast<size_t>(bytes / kIdBytes));
  } catch (const std::exception&) {  // too large for this process
    out->ids_.clear();
    return false;
  }
  uint32_t got = postings_->ReadAt(from.offset, out->ids_.data(), static_cast<uint32_t>(bytes));
  if (got != bytes) {
    out->ids_.clear();
    return false;
  }
  out->matrix_ = &matrix_;
  out->key_ = key;
  out->first_ = first;
  out->last_ = last;
  out->start_ = from.offset;
  return true;
}

}  // namespace sorvik
