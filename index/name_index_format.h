// Layout of the name index: index.mtr (the key matrix) and index.dat (the posting lists). All
// values are little-endian. docs/formats.md describes the same layout in prose.
#pragma once

#include <cstdint>

namespace sorvik {
namespace names {

// File names inside an index folder.
constexpr const char kMatrixFile[] = "index.mtr";
constexpr const char kPostingFile[] = "index.dat";

// Name keys: 16-bit codes, one per double-byte character or pair of single-byte characters.
constexpr uint32_t kKeyCount = 65536;
constexpr uint32_t kKeyMask = kKeyCount - 1;
constexpr uint32_t kMaxPosition = 128;       // key positions 1..128 are indexed per name
constexpr uint32_t kSummaryPosition = 0;     // the cell of a key's whole region in index.dat
constexpr uint32_t kPositionSlots = 129;     // positions 0..128: most cells one key can have
constexpr uint32_t kTokenizeMaxBytes = 254;  // longest work copy a text is cut to
constexpr uint32_t kMaxNameKeys = kTokenizeMaxBytes - 1;  // most keys one text can give

// index.mtr header.
constexpr uint32_t kVersionOffset = 0;    // u32: format version
constexpr uint32_t kFormatVersion = 100;  // the only version this program reads
constexpr uint32_t kNameCountOffset = 4;  // u32: number of names indexed
constexpr uint32_t kHeaderBytes = 8;      // a new, empty matrix file is just the header

// index.mtr position bitmaps: 16 bytes per key at kBitmapsOffset + key * 16; key position p is
// bit (p - 1) % 8 of byte (p - 1) / 8.
constexpr uint32_t kBitmapsOffset = 8;
constexpr uint32_t kBitmapBytes = 16;
constexpr uint32_t kBitmapsSize = kKeyCount * kBitmapBytes;           // 1048576
constexpr uint32_t kKeyBlocksOffset = kBitmapsOffset + kBitmapsSize;  // 1048584

// index.mtr key blocks, ascending key order, up to the end of the file or a header of 0:
// u32 header = cells * 65536 + key, then per cell u8 position, u32 offset, u32 value.
constexpr uint32_t kBlockHeaderBytes = 4;
constexpr uint32_t kCellBytes = 9;
inline uint32_t BlockHeader(uint32_t key, uint32_t cells) { return cells * kKeyCount + key; }
inline uint32_t HeaderKey(uint32_t header) { return header & kKeyMask; }
inline uint32_t HeaderCells(uint32_t header) { return header / kKeyCount; }

// index.dat: u32 entry ids only. A positional cell's list is `value` ids at `offset`; the
// summary cell's value is the byte length of the key's lists laid out back to back.
constexpr uint32_t kIdBytes = 4;
constexpr uint32_t kPostingPadding = 16;  // zero bytes a fresh build leaves after the lists

}  // namespace names
}  // namespace sorvik
