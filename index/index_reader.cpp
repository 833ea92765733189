#include "index/index_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/fs.h"
#include "text/coding.h"

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
  if (first_ == 0 || position < first_ || position > last_) return nullptr;
  const MatrixCell& cell = cells_[position - first_];
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
  if (!PathExists(matrix_path)) {
    KeyMatrix created;  // a new, empty matrix file: version 100, 0 names
    if (!created.Open(matrix_path)) return false;
  }
  if (!matrix_.Open(matrix_path)) return false;
  postings_ = OpenWinFile(posting_path, kOpenExisting);
  posting_size_ = postings_ ? postings_->Size() : 0;
  key_states_.assign(kKeyCount, kKeyUnchecked);
  return true;
}

bool IndexReader::Usable(std::string* problem) const {
  const uint32_t size = matrix_.FileSize();
  if (!matrix_.IsOpen() || !postings_) {
    *problem = "the key matrix or its posting file cannot be read";
    return false;
  }
  if (size < kKeyBlocksOffset && !(size == kHeaderBytes && matrix_.NameCount() == 0)) {
    *problem = "the key matrix is cut short (" + std::to_string(size) + " bytes)";
    return false;
  }
  return true;
}

bool IndexReader::Consistent(std::string* problem) const {
  if (!Usable(problem)) return false;
  for (uint32_t key = 0; key < kKeyCount; ++key) {
    if (!KeySound(key)) {
      *problem = damage_;
      return false;
    }
  }
  return true;
}

bool IndexReader::KeySound(uint32_t key) const {
  key &= kKeyMask;
  if (key_states_.empty()) return true;  // nothing open: every key reads as empty anyway
  if (key_states_[key] == kKeyUnchecked) {
    uint32_t position = 0;
    bool beyond = false;
    if (KeyConsistent(key, &position, &beyond)) {
      key_states_[key] = kKeySound;
    } else {
      key_states_[key] = kKeyDamaged;
      if (damage_.empty()) {
        damage_ =
            "key " + std::to_string(key) + " at position " + std::to_string(position) +
            (beyond ? " lists ids beyond the posting file" : " does not match its position bitmap");
      }
    }
  }
  if (key_states_[key] == kKeySound) return true;
  failed_read_ = true;
  return false;
}

// Whether the cells of `key` (the last cell of a position counts, as Lookup reads it) lie at
// exactly the positions its bitmap marks, the summary cell there when any cell is stored, each
// inside the posting file. Otherwise the lowest position at fault, and whether its cell lies
// beyond the file (else it does not match the bitmap). Only the stored cells are walked.
bool IndexReader::KeyConsistent(uint32_t key, uint32_t* position, bool* beyond) const {
  const uint8_t* bits = matrix_.Bits(key);
  const uint8_t* stored_cells = nullptr;
  const uint32_t stored = matrix_.StoredCells(key, &stored_cells);
  // Bit p of these (bit p % 8 of byte p / 8) stands for position p; position 0 is the summary,
  // marked when any cell is stored; bitmap bit p - 1 marks position p.
  uint8_t marked[kBitmapBytes + 1] = {};
  bool any = stored != 0;
  for (uint32_t byte = 0; byte <= kBitmapBytes; ++byte) {
    const uint32_t low = byte > 0 ? bits[byte - 1] >> 7 : (stored != 0 ? 1 : 0);
    const uint32_t high = byte < kBitmapBytes ? bits[byte] << 1 : 0;
    marked[byte] = static_cast<uint8_t>(low | high);
    any = any || marked[byte] != 0;
  }
  if (!any) return true;
  uint8_t listed[kBitmapBytes + 1] = {};
  uint8_t seen[kBitmapBytes + 1] = {};
  uint32_t first_beyond = kPositionSlots;  // lowest position listed, marked and beyond the file
  for (uint32_t c = stored; c-- > 0;) {    // from the last: the last cell of a position counts
    const uint8_t* raw = stored_cells + c * kCellBytes;
    const uint32_t p = raw[0];
    if (p > kMaxPosition || (seen[p / 8] >> (p % 8) & 1) != 0) continue;
    seen[p / 8] |= static_cast<uint8_t>(1u << (p % 8));
    const MatrixCell cell{DecodeFixed32(raw + 1), DecodeFixed32(raw + 5)};
    if (cell.value == 0) continue;
    listed[p / 8] |= static_cast<uint8_t>(1u << (p % 8));
    if ((marked[p / 8] >> (p % 8) & 1) != 0 && Checked(cell, p).value == 0)
      first_beyond = std::min(first_beyond, p);
  }
  uint32_t first_mismatch = kPositionSlots;  // lowest position listed but not marked, or back
  for (uint32_t byte = 0; byte <= kBitmapBytes && first_mismatch == kPositionSlots; ++byte) {
    const uint32_t differ = listed[byte] ^ marked[byte];
    for (uint32_t bit = 0; bit < 8; ++bit) {
      if ((differ >> bit & 1) != 0) {
        first_mismatch = byte * 8 + bit;
        break;
      }
    }
  }
  if (first_mismatch == kPositionSlots && first_beyond == kPositionSlots) return true;
  *beyond = first_beyond < first_mismatch;
  *position = std::min(first_beyond, first_mismatch);
  return false;
}

void IndexReader::Close() {
  postings_.reset();
  posting_size_ = 0;
  matrix_.Close();
  std::vector<uint8_t>().swap(key_states_);
  damage_.clear();
  failed_read_ = false;
}

const uint8_t* IndexReader::Bits(uint32_t key) const {
  static const uint8_t kNone[kBitmapBytes] = {};
  return matrix_.IsOpen() && KeySound(key) ? matrix_.Bits(key) : kNone;
}

void IndexReader::GetBits(uint32_t key, uint8_t out[kBitmapBytes]) const {
  std::memcpy(out, Bits(key), kBitmapBytes);
}

bool IndexReader::InPostingFile(uint64_t offset, uint64_t length) const {
  return postings_ && offset % kIdBytes == 0 && length % kIdBytes == 0 &&
         offset + length <= posting_size_;
}

MatrixCell IndexReader::Lookup(uint32_t key, uint32_t position) const {
  if (!KeySound(key)) return MatrixCell();
  return Checked(matrix_.Lookup(key, position), position);
}

MatrixCell IndexReader::Checked(MatrixCell cell, uint32_t position) const {
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
    if (got < want) {
      failed_read_ = true;
      break;
    }
    at += want;
  }
  return 1;
}

void IndexReader::KeyCells(uint32_t key, MatrixCell cells[kPositionSlots]) const {
  if (!KeySound(key)) {
    std::fill(cells, cells + kPositionSlots, MatrixCell());
    return;
  }
  matrix_.Cells(key, cells);
  for (uint32_t p = 0; p < kPositionSlots; ++p) cells[p] = Checked(cells[p], p);
}

bool IndexReader::ReadList(const MatrixCell& cell, std::vector<uint32_t>* ids) {
  ids->clear();
  const uint64_t length = uint64_t{kIdBytes} * cell.value;
  if (cell.value == 0 || length > 0xFFFFFFFFu || !InPostingFile(cell.offset, length)) {
    return false;
  }
  try {
    ids->resize(cell.value);
  } catch (const std::exception&) {  // too large for this process
    return false;
  }
  const uint32_t bytes = static_cast<uint32_t>(length);
  if (postings_->ReadAt(cell.offset, ids->data(), bytes) != bytes) {
    failed_read_ = true;
    ids->clear();
    return false;
  }
  return true;
}

bool IndexReader::ReadRange(uint32_t key, uint32_t first, uint32_t last, PostingRange* out) {
  out->ids_.clear();
  out->cells_.clear();
  out->first_ = 0;
  if (first == 0 || first > last || last > kMaxPosition || !KeySound(key)) return false;
  MatrixCell cells[kPositionSlots];
  matrix_.Cells(key, cells);
  const MatrixCell from = Checked(cells[first], first), to = Checked(cells[last], last);
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
    failed_read_ = true;
    out->ids_.clear();
    return false;
  }
  out->cells_.assign(cells + first, cells + last + 1);
  out->first_ = first;
  out->last_ = last;
  out->start_ = from.offset;
  return true;
}

}  // namespace sorvik
