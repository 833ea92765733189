// Reads of one file that mostly move forward, as a scan of the record store does: a read that
// starts a little after one of the two reads before it is served from a block read ahead, so
// that a scan costs one system call per block instead of one per record, even when each step
// of the scan also looks something up elsewhere in the file (an entry and then its folder).
// Other reads go straight to the file and leave the block as it is, so scattered reads cost no
// more than before. A file that is only read can be mapped instead: then no read is a call.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/file.h"

namespace sorvik {

class ReadAhead {
 public:
  // `block` bytes are read ahead at a time; a read within `near` bytes after the start of one
  // of the two reads before it counts as moving forward.
  ReadAhead(uint32_t block, uint32_t near) : block_(block), near_(near) {}
  // Copies up to `length` bytes at `offset` of `file` into `out`; returns the count, which is
  // what file->ReadAt would return.
  uint32_t Read(WinFile* file, uint64_t offset, void* out, uint32_t length);
  // Forgets the block and any mapping: the file was written, or another file is read from now
  // on.
  void Invalidate();
  // Serves every read from `size` bytes at `data`, a read-only mapping of the whole file, until
  // Invalidate. The mapping must stay valid that long.
  void UseMapping(const uint8_t* data, uint64_t size);

 private:
  // Whether a read at `offset` moves forward from one of the remembered reads.
  bool Forward(uint64_t offset) const;

  uint32_t block_;                   // bytes read ahead at a time
  uint32_t near_;                    // how far ahead a read still moves forward
  std::vector<uint8_t> buffer_;      // the block, allocated on first use
  uint64_t start_ = 0;               // file offset of buffer_[0]
  uint32_t filled_ = 0;              // valid bytes in buffer_
  uint32_t recent_count_ = 0;        // reads remembered in recent_ (0..2)
  uint64_t recent_[2] = {};          // offsets of the last two reads, the latest first
  const uint8_t* mapped_ = nullptr;  // the whole file, when mapped
  uint64_t mapped_size_ = 0;         // its size
};

}  // namespace sorvik
