// Read-only access to a key matrix file (index.mtr) for searches. The file is mapped, not
// parsed: the position bitmaps are used where they lie, the key blocks are located by hopping
// from header to header once, and a key's cells are decoded only when the key is looked up. A
// search process therefore pays for the keys it asks about, not for the whole matrix.
//
// It reads a file the way KeyMatrix::Load does: a short header or bitmap area reads as zeros;
// a zero header, a block with more cells than positions or a block running past the end of the
// file ends the blocks; a later block of a key replaces an earlier one; cells of positions
// beyond 128 are dropped and, within one block, the last cell of a position counts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "index/key_matrix.h"
#include "index/name_index_format.h"
#include "platform/file.h"

namespace sorvik {

class KeyMatrixView {
 public:
  KeyMatrixView() = default;
  KeyMatrixView(const KeyMatrixView&) = delete;
  KeyMatrixView& operator=(const KeyMatrixView&) = delete;

  // Maps the file at `path` (or reads it whole where it cannot be mapped). False when it does
  // not exist or cannot be read; an empty file opens as version 0 with no names.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return open_; }

  uint32_t Version() const { return version_; }
  uint32_t FileSize() const { return size_; }  // bytes of the file as opened
  uint32_t NameCount() const { return name_count_; }
  // The 16 bytes of a key's position bitmap (the key is taken modulo 65536); zeros when the
  // matrix is not open. Valid until Close.
  const uint8_t* Bits(uint32_t key) const;
  // The cell of (key, position), or (0, 0) when it does not exist.
  MatrixCell Lookup(uint32_t key, uint32_t position) const;
  // Decodes every cell of `key` into `cells`, indexed by position (0..128); absent cells are
  // (0, 0). Returns the number of cells the key's block holds.
  uint32_t Cells(uint32_t key, MatrixCell cells[names::kPositionSlots]) const;
  // The cells of `key`'s block as the file holds them, in file order (names::kCellBytes each:
  // the position, then offset and value as little-endian u32), at *first; returns their count,
  // 0 when the key has no block.
  uint32_t StoredCells(uint32_t key, const uint8_t** first) const;
  // Whether `key` has a block of cells.
  bool HasBlock(uint32_t key) const {
    return !blocks_.empty() && blocks_[key & names::kKeyMask] != 0;
  }

 private:
  // Reads the file into copy_ (up to the size of the largest sound matrix).
  bool ReadWhole(const std::string& path);
  void FindBlocks();

  bool open_ = false;                  // Open succeeded
  MappedFile file_;                    // the whole of index.mtr, when it could be mapped
  std::vector<uint8_t> copy_;          // the file read whole, when it could not
  const uint8_t* data_ = nullptr;      // the file's bytes: in the mapping or in copy_
  uint32_t size_ = 0;                  // their number
  const uint8_t* bitmaps_ = nullptr;   // 65536 bitmaps of 16 bytes: in data_ or bitmaps_copy_
  std::vector<uint8_t> bitmaps_copy_;  // zero-padded bitmaps of a file too short to hold them
  std::vector<uint32_t> blocks_;       // per key: offset of its block in the file, 0 for none
  uint32_t version_ = 0;               // version word, 0 when unreadable
  uint32_t name_count_ = 0;            // number of names indexed
};

}  // namespace sorvik
