#include "query/loaded_index.h"

#include <algorithm>
#include <cstring>

#include "index/name_index_format.h"
#include "index/snapshot_format.h"
#include "query/entry_set.h"
#include "query/removal_list.h"
#include "text/coding.h"

namespace sorvik {

using namespace snapshot;

bool LoadedIndex::Open(const std::string& folder) {
  folder_ = folder;
  months_.Map(PathOf(kMonthFile), kFlagSequentialScan);
  if (!reader_.Open(PathOf(names::kMatrixFile), PathOf(names::kPostingFile))) return false;
  if (!store_.Open(PathOf(kRecordFile))) return false;
  store_.MapForReading();  // details and folder lookups then read from memory
  entry_count_ = std::min(store_.Count(), store_.OffsetSlots());
  categories_ = OpenWinFile(PathOf(kCategoryFile), kOpenExisting);
  folders_ = OpenWinFile(PathOf(kFolderFile), kOpenAlways);
  // Files that do not keep each other's promises would answer "no match" where the index holds
  // matches: such an index is not used (and is rebuilt). Each key of the matrices is checked
  // when a search first reads it (IndexReader::KeySound; see Damage).
  if (!reader_.Usable(&problem_)) return false;
  if (!FolderTreeFits()) {
    problem_ = "the folder tree does not hold one record per folder and drive";
    return false;
  }
  return true;
}

InitialsReader* LoadedIndex::initials() {
  // Opened within a read like every other file: the folder is still the one loaded.
  if (!initials_tried_) {
    initials_tried_ = true;
    initials_.Open(folder_, entry_count_);
  }
  return initials_.IsOpen() ? &initials_ : nullptr;
}

WinFile* LoadedIndex::RemovalList() {
  if (!removals_) removals_ = OpenWinFile(PathOf(kRemovalFileName), kOpenExisting);
  return removals_.get();
}

bool LoadedIndex::TakeFailedRead() {
  const bool names = reader_.TakeFailedRead();
  const bool initials = initials_.IsOpen() && initials_.matrix()->TakeFailedRead();
  return names || initials;
}

std::string LoadedIndex::Damage() const {
  if (!reader_.Damage().empty()) return "the name index's " + reader_.Damage();
  if (initials_.IsOpen() && !initials_.Damage().empty()) {
    return "the initials index's " + initials_.Damage();
  }
  return std::string();
}

bool LoadedIndex::FolderTreeFits() {
  const uint64_t size = folders_ ? folders_->Size() : 0;
  if (size % kFolderRecordSize != 0) return false;
  const uint64_t records = size / kFolderRecordSize;
  std::vector<uint8_t> bitmap;
  ReadCategory(kFolders, &bitmap);
  uint64_t folders = 0;
  size_t at = 0;
  for (; at + 8 <= bitmap.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, bitmap.data() + at, 8);
    folders += PopCount64(word);
  }
  for (; at < bitmap.size(); ++at) folders += kBitTables.bitsPerByte[bitmap[at]];
  if (records == 0) return folders == 0;
  // The walked roots: record 1 and the chain of their sibling fields.
  uint64_t roots = 0;
  for (uint32_t record = 1; record != 0; ++roots) {
    if (record > records || roots > records) return false;
    uint32_t next = 0;
    const uint64_t at = (uint64_t{record} - 1) * kFolderRecordSize + kFolderSiblingField;
    if (folders_->ReadU32At(at, &next) != 4) return false;
    record = next;
  }
  return records == folders + roots;
}

uint16_t LoadedIndex::MonthCode(uint32_t id) const {
  if (id == 0 || months_.Data() == nullptr) return 0;
  uint64_t offset = kMonthCodesOffset + (static_cast<uint64_t>(id) - 1) * 2;
  if (offset + 2 > months_.Size()) return 0;
  return DecodeFixed16(months_.Data() + offset);
}

const uint8_t* LoadedIndex::MonthCodes(uint32_t* count) const {
  *count = 0;
  if (months_.Data() == nullptr || months_.Size() <= kMonthCodesOffset) return nullptr;
  *count = std::min<uint32_t>(entry_count_, (months_.Size() - kMonthCodesOffset) / 2);
  return months_.Data() + kMonthCodesOffset;
}

uint32_t LoadedIndex::MonthCodesOf(int slot, std::vector<uint16_t>* out) const {
  if (slot < 0 || slot >= static_cast<int>(kMonthSlotCount) || months_.Data() == nullptr) return 0;
  uint32_t appended = 0;
  for (uint32_t i = 0; i < kMonthSlotCodes; ++i) {
    uint64_t offset = static_cast<uint64_t>(slot) * kMonthSlotBytes + i * 2;
    if (offset + 2 > months_.Size()) break;
    const uint16_t code = DecodeFixed16(months_.Data() + offset);
    if (code == 0) break;
    out->push_back(code);
    ++appended;
  }
  return appended;
}

void LoadedIndex::ReadCategory(int category, std::vector<uint8_t>* bitmap) {
  uint32_t bytes = BitmapBytes(entry_count_);
  bitmap->assign(bytes, 0);
  if (!categories_ || bytes == 0) return;
  categories_->ReadAt(static_cast<uint64_t>(category) * bytes, bitmap->data(), bytes);
}

const SortOrders* LoadedIndex::sortOrders() {
  if (!sort_orders_tried_) {
    sort_orders_tried_ = true;
    sort_orders_.Open(PathOf(kSortOrderFile), entry_count_);
  }
  return sort_orders_.IsOpen() ? &sort_orders_ : nullptr;
}

}  // namespace sorvik
