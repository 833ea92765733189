#include "index/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace sorvik {

void ReadAhead::Invalidate() {
  filled_ = 0;
  recent_count_ = 0;
}

bool ReadAhead::Forward(uint64_t offset) const {
  for (uint32_t i = 0; i < recent_count_; ++i) {
    if (offset >= recent_[i] && offset - recent_[i] <= near_) return true;
  }
  return false;
}

uint32_t ReadAhead::Read(WinFile* file, uint64_t offset, void* out, uint32_t length) {
  const bool forward = Forward(offset);
  recent_[1] = recent_[0];
  recent_[0] = offset;
  if (recent_count_ < 2) ++recent_count_;
  if (offset >= start_ && offset + length <= start_ + filled_) {
    std::memcpy(out, buffer_.data() + (offset - start_), length);
    return length;
  }
  if (!forward || length > block_) return file->ReadAt(offset, out, length);
  buffer_.resize(block_);
  filled_ = file->ReadAt(offset, buffer_.data(), block_);
  if (filled_ > block_) filled_ = 0;
  start_ = offset;
  const uint32_t copied = std::min(length, filled_);
  std::memcpy(out, buffer_.data(), copied);
  return copied;
}

}  // namespace sorvik
