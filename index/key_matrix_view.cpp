#include "index/key_matrix_view.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/fs.h"
#include "text/coding.h"

namespace sorvik {

using namespace names;

namespace {

// The largest sound matrix file: the bitmaps and one block of 129 cells for every key.
constexpr uint64_t kMaxMatrixBytes =
    kKeyBlocksOffset + uint64_t{kKeyCount} * (kBlockHeaderBytes + kPositionSlots * kCellBytes);

// A shared block of zeros for bitmaps of a matrix that is not open.
const uint8_t* NoBits() {
  static const uint8_t kNone[kBitmapBytes] = {};
  return kNone;
}

}  // namespace

bool KeyMatrixView::Open(const std::string& path) {
  Close();
  if (!PathExists(path)) return false;
  if (file_.Map(path, 0)) {
    data_ = file_.Data();
    size_ = file_.Size();
  } else if (!ReadWhole(path)) {  // an empty file, or no room for a mapping
    return false;
  }
  if (size_ >= kVersionOffset + 4) version_ = DecodeFixed32(data_ + kVersionOffset);
  if (size_ >= kNameCountOffset + 4) name_count_ = DecodeFixed32(data_ + kNameCountOffset);
  if (size_ >= kKeyBlocksOffset) {
    bitmaps_ = data_ + kBitmapsOffset;
  } else {
    bitmaps_copy_.assign(kBitmapsSize, 0);
    if (size_ > kBitmapsOffset) {
      std::memcpy(bitmaps_copy_.data(), data_ + kBitmapsOffset, size_ - kBitmapsOffset);
    }
    bitmaps_ = bitmaps_copy_.data();
  }
  FindBlocks();
  open_ = true;
  return true;
}

bool KeyMatrixView::ReadWhole(const std::string& path) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  if (!file) return false;
  // No sound matrix is larger: one block of every cell for every key.
  const uint64_t size = std::min<uint64_t>(file->Size(), kMaxMatrixBytes);
  try {
    copy_.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {  // no room for it in this process
    return false;
  }
  const uint32_t got = size == 0 ? 0 : file->ReadAt(0, copy_.data(), static_cast<uint32_t>(size));
  copy_.resize(got > size ? 0 : got);
  data_ = copy_.data();
  size_ = static_cast<uint32_t>(copy_.size());
  return true;
}

void KeyMatrixView::FindBlocks() {
  blocks_.assign(kKeyCount, 0);
  const uint8_t* data = data_;
  const uint64_t size = size_;
  uint64_t at = kKeyBlocksOffset;
  while (at + kBlockHeaderBytes <= size) {
    const uint32_t header = DecodeFixed32(data + at);
    const uint32_t cells = HeaderCells(header);
    // A zero header ends the blocks; more cells than positions means the framing is lost.
    if (header == 0 || cells > kPositionSlots) return;
    const uint64_t end = at + kBlockHeaderBytes + uint64_t{cells} * kCellBytes;
    if (end > size) return;
    blocks_[HeaderKey(header)] = static_cast<uint32_t>(at);
    at = end;
  }
}

void KeyMatrixView::Close() {
  file_.Unmap();
  std::vector<uint8_t>().swap(copy_);
  std::vector<uint8_t>().swap(bitmaps_copy_);
  data_ = nullptr;
  size_ = 0;
  std::vector<uint32_t>().swap(blocks_);
  bitmaps_ = nullptr;
  version_ = 0;
  name_count_ = 0;
  open_ = false;
}

const uint8_t* KeyMatrixView::Bits(uint32_t key) const {
  if (bitmaps_ == nullptr) return NoBits();
  return bitmaps_ + (key & kKeyMask) * kBitmapBytes;
}

uint32_t KeyMatrixView::Cells(uint32_t key, MatrixCell cells[kPositionSlots]) const {
  std::fill(cells, cells + kPositionSlots, MatrixCell());
  if (blocks_.empty() || blocks_[key & kKeyMask] == 0) return 0;
  const uint8_t* block = data_ + blocks_[key & kKeyMask];
  const uint32_t count = HeaderCells(DecodeFixed32(block));
  for (uint32_t c = 0; c < count; ++c) {
    const uint8_t* cell = block + kBlockHeaderBytes + c * kCellBytes;
    if (cell[0] > kMaxPosition) continue;
    cells[cell[0]].offset = DecodeFixed32(cell + 1);
    cells[cell[0]].value = DecodeFixed32(cell + 5);
  }
  return count;
}

uint32_t KeyMatrixView::StoredCells(uint32_t key, const uint8_t** first) const {
  if (blocks_.empty() || blocks_[key & kKeyMask] == 0) return 0;
  const uint8_t* block = data_ + blocks_[key & kKeyMask];
  *first = block + kBlockHeaderBytes;
  return HeaderCells(DecodeFixed32(block));
}

MatrixCell KeyMatrixView::Lookup(uint32_t key, uint32_t position) const {
  MatrixCell found;
  if (position > kMaxPosition || blocks_.empty() || blocks_[key & kKeyMask] == 0) return found;
  const uint8_t* block = data_ + blocks_[key & kKeyMask];
  const uint32_t count = HeaderCells(DecodeFixed32(block));
  for (uint32_t c = 0; c < count; ++c) {
    const uint8_t* cell = block + kBlockHeaderBytes + c * kCellBytes;
    if (cell[0] != position) continue;
    found.offset = DecodeFixed32(cell + 1);  // a later cell of the same position wins
    found.value = DecodeFixed32(cell + 5);
  }
  return found;
}

}  // namespace sorvik
