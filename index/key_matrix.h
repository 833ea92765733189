// The key matrix (index.mtr): per name key a 128-bit map of the key positions at which it occurs,
// and per (key, position) a cell locating its posting list in index.dat.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/name_index_format.h"
#include "platform/file.h"

namespace sorvik {

// One cell. Positions 1..128: offset of the posting list in index.dat (bytes) and the number of
// ids in it (the fill counter while a build writes the ids). Position 0: offset and byte length
// of the key's whole region.
struct MatrixCell {
  uint32_t offset = 0;
  uint32_t value = 0;
};

class KeyMatrix {
 public:
  KeyMatrix() = default;
  KeyMatrix(const KeyMatrix&) = delete;
  KeyMatrix& operator=(const KeyMatrix&) = delete;
  ~KeyMatrix() { Close(); }

  // Loads `path` when it exists; otherwise creates it as an empty matrix (version 100, 0 names).
  // Returns false when the file can be neither opened nor created.
  bool Open(const std::string& path);
  // Reads the open file into memory. A damaged file loads what is sound: a short header or
  // bitmap area reads as zeros, and a block with an impossible cell count or running past the
  // end of the file ends the loading. Cells with a position beyond 128 are dropped.
  bool Load();
  // Writes the name count, the bitmaps and every key block; the version word is left alone.
  bool Save();
  // Saves when the name count in the file differs from the one in memory, then closes the file
  // and releases the memory. A matrix that was only read never rewrites its file.
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // The version word the file held when it was loaded (100 for a new file; 0 when unreadable).
  uint32_t Version() const { return version_; }
  uint32_t NameCount() const { return name_count_; }
  void SetNameCount(uint32_t count) { name_count_ = count; }

  // The 16 bytes of a key's position bitmap; the key is taken modulo 65536.
  // REQUIRES: the matrix is open.
  void GetBits(uint32_t key, uint8_t out[names::kBitmapBytes]) const;
  void SetBits(uint32_t key, const uint8_t bits[names::kBitmapBytes]);
  uint8_t* Bits(uint32_t key) { return &bitmaps_[(key & names::kKeyMask) * names::kBitmapBytes]; }
  const uint8_t* Bits(uint32_t key) const {
    return &bitmaps_[(key & names::kKeyMask) * names::kBitmapBytes];
  }

  // The cell of (key, position), inserted as (0, 0) when absent. Positions beyond 128 cannot be
  // stored: they get a scratch cell that is never saved. REQUIRES: the matrix is open.
  MatrixCell& Cell(uint32_t key, uint32_t position);
  void SetCell(uint32_t key, uint32_t position, uint32_t offset, uint32_t value);
  // The cell of (key, position), or (0, 0) when it does not exist; never inserts.
  MatrixCell Lookup(uint32_t key, uint32_t position) const;
  // The existing cell of (key, position) or null; never inserts.
  MatrixCell* Find(uint32_t key, uint32_t position);

  // Turns the per-cell id counts into offsets: each key's lists back to back in ascending
  // position order, keys in ascending order; sets each key's summary cell and every counted
  // cell's value to 0 (the fill counter). Returns the total size of the lists in bytes.
  // REQUIRES: the total stays below 4 GiB.
  uint32_t LayOut();
  // Sets the value of every cell of positions 1..128 to 0, to fill the lists again.
  void ResetFillCounters();

  // Number of cells a key has.
  uint32_t CellCount(uint32_t key) const;

 private:
  // The cells of one key: a presence mask over positions 0..128 and the existing cells in
  // ascending position order, so a cell is found by the rank of its bit in the mask.
  struct KeyCells {
    uint32_t present[5] = {0, 0, 0, 0, 0};  // bit p set: the cell of position p exists
    std::vector<MatrixCell> cells;          // existing cells, ascending position
  };

  static uint32_t Rank(const KeyCells& key, uint32_t position);
  static bool Has(const KeyCells& key, uint32_t position) {
    return (key.present[position / 32] >> (position % 32)) & 1u;
  }
  void ReadKeyBlocks(uint64_t file_size);
  bool WriteKeyBlocks();
  void Release();

  std::unique_ptr<WinFile> file_;  // the open index.mtr
  uint32_t version_ = 0;           // version word read at load time
  uint32_t name_count_ = 0;        // number of names indexed
  std::vector<uint8_t> bitmaps_;   // 65536 position bitmaps of 16 bytes
  std::vector<KeyCells> keys_;     // cells of every key, indexed by key
  MatrixCell scratch_;             // what Cell returns for positions beyond 128
};

}  // namespace sorvik
