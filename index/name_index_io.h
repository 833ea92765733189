// Buffered block I/O over a WinFile for the name index files: the matrix is loaded and saved,
// posting lists are merged and the build's text file is read and written in large blocks
// instead of one system call per value.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace sorvik {

// Collects small writes and hands them to the file in blocks, from a start offset onwards.
class BlockWriter {
 public:
  BlockWriter(WinFile* file, uint64_t start, uint32_t buffer_bytes);
  ~BlockWriter() { Flush(); }
  void Put(const void* data, uint32_t length);
  void PutU32(uint32_t value);  // little-endian
  void PutU8(uint8_t value) { Put(&value, 1); }
  // Writes what is buffered; false when any write so far came up short.
  bool Flush();
  uint64_t Position() const { return start_ + used_; }  // offset of the next byte put

 private:
  WinFile* file_;                // not owned
  uint64_t start_;               // file offset of buffer_[0]
  uint32_t used_ = 0;            // bytes buffered
  bool ok_ = true;               // every write so far was complete
  std::vector<uint8_t> buffer_;  // pending bytes
};

// Reads byte ranges of a file through a buffer that holds the latest block read, so that
// ranges read in ascending order cost one system call per block.
class BlockReader {
 public:
  BlockReader(WinFile* file, uint32_t buffer_bytes);
  // Copies up to `length` bytes at `offset` into `out`; returns the count (short at the end).
  uint32_t Read(uint64_t offset, void* out, uint32_t length);

 private:
  WinFile* file_;                // not owned
  uint64_t start_ = 0;           // file offset of buffer_[0]
  uint32_t filled_ = 0;          // valid bytes in buffer_
  std::vector<uint8_t> buffer_;  // the latest block read
};

// Reads a file from its current position as lines split at line feeds; the line feed is not
// part of a line, and a last line without one is returned too. A line longer than the buffer
// comes out in buffer-sized pieces.
class LineReader {
 public:
  LineReader(WinFile* file, uint32_t buffer_bytes);
  // The next line; `line` stays valid until the next call. False at the end of the file.
  bool Next(const char** line, uint32_t* length);
  // Starts again from the beginning of the file.
  void Rewind();

 private:
  bool Refill();

  WinFile* file_;             // not owned
  std::vector<char> buffer_;  // read-ahead
  uint32_t begin_ = 0;        // first byte not yet returned
  uint32_t end_ = 0;          // end of the valid bytes
  bool at_end_ = false;       // the file has no more bytes
};

}  // namespace sorvik
