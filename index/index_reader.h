// Read access to a name index: the key matrix of index.mtr with the posting lists of index.dat.
// Every cell is checked against the size of index.dat before it is used: a cell whose list does
// not lie inside the file reads as absent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/key_matrix.h"
#include "index/key_matrix_view.h"
#include "platform/file.h"

namespace sorvik {

// The posting lists of positions first..last of one key, read in one piece, with the key's
// cells of those positions.
class PostingRange {
 public:
  // The ids of (key, position) and their count; null with count 0 when the position is outside
  // the range or its cell does not lie inside it. Ids are as stored: a damaged file may hold
  // ids of 0 or beyond the entry count.
  const uint32_t* List(uint32_t position, uint32_t* count) const;
  const std::vector<uint32_t>& Ids() const { return ids_; }

 private:
  friend class IndexReader;
  uint32_t first_ = 0, last_ = 0;  // positions covered; first_ 0 when nothing was read
  uint32_t start_ = 0;             // offset in index.dat of ids_[0]
  std::vector<MatrixCell> cells_;  // cells of positions first_..last_
  std::vector<uint32_t> ids_;      // the lists, back to back
};

class IndexReader {
 public:
  IndexReader() = default;
  IndexReader(const IndexReader&) = delete;
  IndexReader& operator=(const IndexReader&) = delete;
  ~IndexReader() { Close(); }

  // Opens the matrix (created empty when missing) and the posting file (must exist). Returns
  // false only when the matrix cannot be opened; without a posting file nothing is ever read.
  // The matrix is only read, never written.
  bool Open(const std::string& matrix_path, const std::string& posting_path);
  void Close();
  // What can be checked when an index is loaded without reading every key: both files are
  // open, and a matrix that counts names holds its whole bitmap area. False with `problem`
  // saying what does not fit.
  bool Usable(std::string* problem) const;
  // Usable, and every key keeps its promises (KeySound): for every key, a cell exists at
  // exactly the positions its bitmap marks, and every cell's list lies inside the posting file.
  // A file cut short or damaged there would otherwise answer "no match" for the keys it lost.
  // False with `problem` naming the first key at fault. Reads the whole matrix: loading an
  // index checks each key when it is first read instead.
  bool Consistent(std::string* problem) const;
  // Whether, since the last call, a read of a list came up short (the file shrank since it was
  // opened, a read error) or a key was read that does not keep its promises (Damage says
  // which); clears the mark. A search that saw either must not answer.
  bool TakeFailedRead() {
    const bool was = failed_read_;
    failed_read_ = false;
    return was;
  }
  // The first key met since Open that does not keep its promises, worded as Consistent words
  // it; empty while none was met.
  const std::string& Damage() const { return damage_; }

  uint32_t Version() const { return matrix_.Version(); }
  uint32_t NameCount() const { return matrix_.NameCount(); }
  // Every read of a key below checks the key the first time (KeySound): a key at fault reads as
  // holding nothing and marks the read failed.
  // The 16-byte position bitmap of a key (all zero when no matrix is open).
  const uint8_t* Bits(uint32_t key) const;
  void GetBits(uint32_t key, uint8_t out[names::kBitmapBytes]) const;
  // The cell of (key, position), or (0, 0) when it does not exist or its list does not lie
  // inside index.dat.
  MatrixCell Lookup(uint32_t key, uint32_t position) const;

  // Marks every id of the key's whole region in `bits` (id k is bit (k - 1) % 8 of byte
  // (k - 1) / 8); ids of 0 or beyond `entry_count` are ignored. Returns 1 when the region was
  // read, 0 when the key has no postings or its summary cell is damaged.
  // REQUIRES: `bits` holds (entry_count + 7) / 8 bytes.
  int ReadPostings(uint32_t key, uint8_t* bits, uint32_t entry_count);
  // The cells of `key` by position (0..128), each as Lookup would give it.
  void KeyCells(uint32_t key, MatrixCell cells[names::kPositionSlots]) const;
  // Reads the list of a positional cell (as KeyCells or Lookup give it) into `ids`. False when
  // the cell is empty or the read comes up short.
  bool ReadList(const MatrixCell& cell, std::vector<uint32_t>* ids);
  // Reads the lists of positions first..last of `key` with one read, from the start of the list
  // of `first` to the end of the list of `last`. False when either cell is missing or damaged,
  // the range is empty or reversed, or the read comes up short.
  bool ReadRange(uint32_t key, uint32_t first, uint32_t last, PostingRange* out);

 private:
  bool InPostingFile(uint64_t offset, uint64_t length) const;
  // `cell` of `position` when its list lies inside index.dat, else (0, 0).
  MatrixCell Checked(MatrixCell cell, uint32_t position) const;
  bool KeyConsistent(uint32_t key, uint32_t* position, bool* beyond) const;
  // Whether `key` keeps its promises, checked with KeyConsistent the first time and remembered;
  // a key at fault sets failed_read_ each time and, the first, damage_.
  bool KeySound(uint32_t key) const;

  enum KeyState : uint8_t { kKeyUnchecked, kKeySound, kKeyDamaged };

  KeyMatrixView matrix_;               // index.mtr
  std::unique_ptr<WinFile> postings_;  // index.dat; null when missing
  uint64_t posting_size_ = 0;          // size of index.dat when opened
  // What reads learn; a reader is used by one thread at a time (the index's mutex).
  mutable std::vector<uint8_t> key_states_;  // a KeyState per key; empty when nothing is open
  mutable std::string damage_;               // the first key found at fault
  mutable bool failed_read_ = false;         // a read failed since TakeFailedRead
};

}  // namespace sorvik
