#include "index/key_matrix_view.h"

#include <algorithm>
#include <cstring>

#include "platform/fs.h"

namespace sorvik {

using namespace names;

namespace {

uint32_t LoadU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A shared block of zeros for bitmaps of a matrix that is not open.
const uint8_t* NoBits() {
  static const uint8_t kNone[kBitmapBytes] = {};
  return kNone;
}

}  // namespace

bool KeyMatrixView::Open(const std::string& path) {
  Close();
  if (!PathExists(path)) return false;
  // An empty file cannot be mapped and holds nothing: it opens as an empty matrix.
  if (!file_.Map(path, 0) && file_.Size() != 0) return false;
  const uint8_t* data = file_.Data();
  const uint32_t size = data == nullptr ? 0 : file_.Size();
  if (size >= kVersionOffset + 4) version_ = LoadU32(data + kVersionOffset);
  if (size >= kNameCountOffset + 4) name_count_ = LoadU32(data + kNameCountOffset);
  if (size >= kKeyBlocksOffset) {
    bitmaps_ = data + kBitmapsOffset;
  } else {
    owned_.assign(kBitmapsSize, 0);
    if (size > kBitmapsOffset)
      std::memcpy(owned_.data(), data + kBitmapsOffset, size - kBitmapsOffset);
    bitmaps_ = owned_.data();
  }
  FindBlocks();
  open_ = true;
  return true;
}

void KeyMatrixView::FindBlocks() {
  blocks_.assign(kKeyCount, 0);
  const uint8_t* data = file_.Data();
  const uint64_t size = data == nullptr ? 0 : file_.Size();
  uint64_t at = kKeyBlocksOffset;
  while (at + kBlockHeaderBytes <= size) {
    const uint32_t header = LoadU32(data + at);
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
  std::vector<uint8_t>().swap(owned_);
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
  const uint8_t* block = file_.Data() + blocks_[key & kKeyMask];
  const uint32_t count = HeaderCells(LoadU32(block));
  for (uint32_t c = 0; c < count; ++c) {
    const uint8_t* cell = block + kBlockHeaderBytes + c * kCellBytes;
    if (cell[0] > kMaxPosition) continue;
    cells[cell[0]].offset = LoadU32(cell + 1);
    cells[cell[0]].value = LoadU32(cell + 5);
  }
  return count;
}

MatrixCell KeyMatrixView::Lookup(uint32_t key, uint32_t position) const {
  MatrixCell found;
  if (position > kMaxPosition || blocks_.empty() || blocks_[key & kKeyMask] == 0) return found;
  const uint8_t* block = file_.Data() + blocks_[key & kKeyMask];
  const uint32_t count = HeaderCells(LoadU32(block));
  for (uint32_t c = 0; c < count; ++c) {
    const uint8_t* cell = block + kBlockHeaderBytes + c * kCellBytes;
    if (cell[0] != position) continue;
    found.offset = LoadU32(cell + 1);  // a later cell of the same position wins
    found.value = LoadU32(cell + 5);
  }
  return found;
}

}  // namespace sorvik
