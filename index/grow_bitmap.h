// GrowBitmap: a bit per entry id that grows as ids are set; the walker keeps one per category
// and writes them to index.cm.
#pragma once

#include <cstdint>
#include <memory>

namespace sorvik {

class GrowBitmap {
 public:
  static constexpr uint32_t kInitialCapacity = 204800;  // bytes at construction
  static constexpr uint32_t kGrowthSlack = 51200;       // bytes added beyond the need on growth

  GrowBitmap();
  GrowBitmap(const GrowBitmap&) = delete;
  GrowBitmap& operator=(const GrowBitmap&) = delete;

  // Sets the bit of entry id `id`: bit (id - 1) % 8 of byte (id - 1) / 8, least significant
  // first. Grows to (id + 7) / 8 + kGrowthSlack bytes when the capacity is short. Id 0 is ignored.
  void Set(uint32_t id);
  bool Test(uint32_t id) const;
  uint32_t HighestId() const { return highest_id_; }
  uint32_t Capacity() const { return capacity_; }
  // Bytes in use: (HighestId() + 7) / 8.
  uint32_t UsedBytes() const { return static_cast<uint32_t>((uint64_t{highest_id_} + 7) / 8); }
  const uint8_t* Bytes() const { return bytes_.get(); }

 private:
  uint32_t highest_id_ = 0;           // largest id set so far, 0 when empty
  uint32_t capacity_ = 0;             // size of bytes_ in bytes
  std::unique_ptr<uint8_t[]> bytes_;  // the bits, zero-initialised
};

}  // namespace sorvik
