#include "index/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace sorvik {

void ReadAhead::Invalidate() {
  filled_ = 0;
  recent_count_ = 0;
  mapped_ = nullptr;
  mapped_size_ = 0;
}

void ReadAhead::UseMapping(const uint8_t* data, uint64_t size) {
  Invalidate();
  mapped_ = data;
  mapped_size_ = data == nullptr ? 0 : size;
}

bool ReadAhead::Forward(uint64_t offset) const {
  for (uint32_t i = 0; i < recent_count_; ++i) {
    if (offset >= recent_[i] && offset - recent_[i] <= near_) return true;
  }
  return false;
}

uint32_t ReadAhead::Read(WinFile* file, uint64_t offset, void* out, uint32_t length) {
  if (mapped_ != nullptr) {
    if (offset >= mapped_size_) return 0;
    const uint32_t copied =
        static_cast<uint32_t>(std::min<uint64_t>(length, mapped_size_ - offset));
    std::memcpy(out, mapped_ + offset, copied);
    return copied;
  }
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
