#include "index/key_matrix.h"

#include <cstring>

#include "index/name_index_io.h"
#include "text/coding.h"

namespace sorvik {

using namespace names;

namespace {

constexpr uint32_t kIoBlock = 1 << 20;  // bytes per read or write of key blocks

// Counted by hand: without a popcount instruction in the target's baseline the compiler's
// builtin becomes a library call, and this runs for every key of every name of a build.
uint32_t PopCount(uint32_t word) {
  word = word - ((word >> 1) & 0x55555555u);
  word = (word & 0x33333333u) + ((word >> 2) & 0x33333333u);
  return (((word + (word >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24;
}

}  // namespace

bool KeyMatrix::Open(const std::string& path) {
  Close();
  bitmaps_.assign(kBitmapsSize, 0);
  keys_.assign(kKeyCount, KeyCells());
  name_count_ = 0;
  file_ = OpenWinFile(path, kOpenExisting);
  if (file_) return Load();
  file_ = OpenWinFile(path, kOpenAlways);
  if (!file_) {
    Release();
    return false;
  }
  version_ = kFormatVersion;
  file_->SetSize(kHeaderBytes);
  file_->WriteU32At(kVersionOffset, kFormatVersion);
  file_->WriteU32At(kNameCountOffset, name_count_);
  return true;
}

bool KeyMatrix::Load() {
  if (!file_) return false;
  uint64_t size = file_->Size();
  version_ = 0;
  name_count_ = 0;
  if (file_->ReadU32At(kVersionOffset, &version_) != 4) version_ = 0;
  if (file_->ReadU32At(kNameCountOffset, &name_count_) != 4) name_count_ = 0;
  bitmaps_.assign(kBitmapsSize, 0);
  keys_.assign(kKeyCount, KeyCells());
  if (size > kBitmapsOffset) {
    uint32_t got = file_->ReadAt(kBitmapsOffset, bitmaps_.data(), kBitmapsSize);
    // A short read leaves the rest of the bitmaps zero.
    if (got < kBitmapsSize) std::memset(bitmaps_.data() + got, 0, kBitmapsSize - got);
  }
  ReadKeyBlocks(size);
  return true;
}

void KeyMatrix::ReadKeyBlocks(uint64_t file_size) {
  BlockReader reader(file_.get(), kIoBlock);
  uint64_t at = kKeyBlocksOffset;
  uint8_t raw[kPositionSlots * kCellBytes];
  while (at + kBlockHeaderBytes <= file_size) {
    uint8_t head[kBlockHeaderBytes];
    if (reader.Read(at, head, kBlockHeaderBytes) != kBlockHeaderBytes) return;
    uint32_t header = DecodeFixed32(head);
    uint32_t cells = HeaderCells(header);
    // A zero header ends the blocks; more cells than positions means the framing is lost.
    if (header == 0 || cells > kPositionSlots) return;
    at += kBlockHeaderBytes;
    uint32_t bytes = cells * kCellBytes;
    if (at + bytes > file_size || reader.Read(at, raw, bytes) != bytes) return;
    at += bytes;
    KeyCells& key = keys_[HeaderKey(header)];
    key = KeyCells();  // a block replaces whatever the key held
    for (uint32_t c = 0; c < cells; ++c) {
      const uint8_t* cell = raw + c * kCellBytes;
      if (cell[0] > kMaxPosition) continue;
      MatrixCell& slot = Cell(HeaderKey(header), cell[0]);
      slot.offset = DecodeFixed32(cell + 1);
      slot.value = DecodeFixed32(cell + 5);
    }
  }
}

bool KeyMatrix::Save() {
  if (!file_) return false;
  bool ok = file_->WriteU32At(kNameCountOffset, name_count_) == 4;
  ok = file_->WriteAt(kBitmapsOffset, bitmaps_.data(), kBitmapsSize) == kBitmapsSize && ok;
  return WriteKeyBlocks() && ok;
}

bool KeyMatrix::WriteKeyBlocks() {
  BlockWriter writer(file_.get(), kKeyBlocksOffset, kIoBlock);
  for (uint32_t k = 0; k < kKeyCount; ++k) {
    const KeyCells& key = keys_[k];
    if (key.cells.empty()) continue;
    writer.PutU32(BlockHeader(k, static_cast<uint32_t>(key.cells.size())));
    uint32_t index = 0;
    for (uint32_t p = 0; p < kPositionSlots; ++p) {
      if (!Has(key, p)) continue;
      const MatrixCell& cell = key.cells[index++];
      writer.PutU8(static_cast<uint8_t>(p));
      writer.PutU32(cell.offset);
      writer.PutU32(cell.value);
    }
  }
  bool ok = writer.Flush();
  // Blocks of an earlier, longer content must not be read back after the new ones.
  file_->SetSize(writer.Position());
  return ok;
}

void KeyMatrix::Close() {
  if (file_) {
    uint32_t stored = 0;
    if (file_->ReadU32At(kNameCountOffset, &stored) == 4 && stored != name_count_) Save();
  }
  file_.reset();
  Release();
}

void KeyMatrix::Release() {
  std::vector<uint8_t>().swap(bitmaps_);
  std::vector<KeyCells>().swap(keys_);
}

void KeyMatrix::GetBits(uint32_t key, uint8_t out[kBitmapBytes]) const {
  std::memcpy(out, Bits(key), kBitmapBytes);
}

void KeyMatrix::SetBits(uint32_t key, const uint8_t bits[kBitmapBytes]) {
  std::memcpy(Bits(key), bits, kBitmapBytes);
}

uint32_t KeyMatrix::Rank(const KeyCells& key, uint32_t position) {
  uint32_t rank = 0;
  for (uint32_t w = 0; w < position / 32; ++w) rank += PopCount(key.present[w]);
  uint32_t below = (1u << (position % 32)) - 1;
  return rank + PopCount(key.present[position / 32] & below);
}

MatrixCell& KeyMatrix::Cell(uint32_t key, uint32_t position) {
  if (position > kMaxPosition) {
    scratch_ = MatrixCell();
    return scratch_;
  }
  KeyCells& cells = keys_[key & kKeyMask];
  uint32_t rank = Rank(cells, position);
  if (!Has(cells, position)) {
    cells.present[position / 32] |= 1u << (position % 32);
    cells.cells.insert(cells.cells.begin() + rank, MatrixCell());
  }
  return cells.cells[rank];
}

void KeyMatrix::SetCell(uint32_t key, uint32_t position, uint32_t offset, uint32_t value) {
  MatrixCell& cell = Cell(key, position);
  cell.offset = offset;
  cell.value = value;
}

MatrixCell KeyMatrix::Lookup(uint32_t key, uint32_t position) const {
  if (position > kMaxPosition || keys_.empty()) return MatrixCell();
  const KeyCells& cells = keys_[key & kKeyMask];
  if (!Has(cells, position)) return MatrixCell();
  return cells.cells[Rank(cells, position)];
}

MatrixCell* KeyMatrix::Find(uint32_t key, uint32_t position) {
  if (position > kMaxPosition || keys_.empty()) return nullptr;
  KeyCells& cells = keys_[key & kKeyMask];
  if (!Has(cells, position)) return nullptr;
  return &cells.cells[Rank(cells, position)];
}

uint32_t KeyMatrix::LayOut() {
  uint32_t total = 0;
  for (uint32_t k = 0; k < kKeyCount; ++k) {
    KeyCells& key = keys_[k];
    if (key.cells.empty()) continue;
    uint32_t start = total;
    uint32_t index = Has(key, kSummaryPosition) ? 1 : 0;  // the summary cell comes first
    for (; index < key.cells.size(); ++index) {
      MatrixCell& cell = key.cells[index];
      if (cell.value == 0) continue;
      uint32_t count = cell.value;
      cell.offset = total;
      cell.value = 0;
      total += kIdBytes * count;
    }
    if (total != start) SetCell(k, kSummaryPosition, start, total - start);
  }
  return total;
}

void KeyMatrix::ResetFillCounters() {
  for (KeyCells& key : keys_) {
    size_t first = Has(key, kSummaryPosition) ? 1 : 0;
    for (size_t i = first; i < key.cells.size(); ++i) key.cells[i].value = 0;
  }
}

uint32_t KeyMatrix::CellCount(uint32_t key) const {
  return keys_.empty() ? 0 : static_cast<uint32_t>(keys_[key & kKeyMask].cells.size());
}

}  // namespace sorvik
