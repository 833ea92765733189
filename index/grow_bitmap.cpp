#include "index/grow_bitmap.h"

#include <cstring>

namespace sorvik {

GrowBitmap::GrowBitmap() : capacity_(kInitialCapacity), bytes_(new uint8_t[kInitialCapacity]()) {}

void GrowBitmap::Set(uint32_t id) {
  if (id == 0) return;
  uint32_t need = static_cast<uint32_t>((uint64_t{id} + 7) / 8);
  if (capacity_ < need) {
    uint32_t grown = need + kGrowthSlack;
    std::unique_ptr<uint8_t[]> bigger(new uint8_t[grown]());
    std::memcpy(bigger.get(), bytes_.get(), capacity_);
    bytes_ = std::move(bigger);
    capacity_ = grown;
  }
  uint32_t bit = id - 1;
  bytes_[bit / 8] = static_cast<uint8_t>(bytes_[bit / 8] | (1u << (bit % 8)));
  if (id > highest_id_) highest_id_ = id;
}

bool GrowBitmap::Test(uint32_t id) const {
  if (id == 0 || id > highest_id_) return false;
  uint32_t bit = id - 1;
  return (bytes_[bit / 8] >> (bit % 8)) & 1u;
}

}  // namespace sorvik
