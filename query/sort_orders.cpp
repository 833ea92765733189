#include "query/sort_orders.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "index/record_store.h"
#include "query/entry_details.h"
#include "query/search_result.h"
#include "text/coding.h"
#include "text/gbk_text.h"

namespace sorvik {

namespace {

constexpr uint32_t kHeaderBytes = 8;

uint32_t BitmapBytes(uint32_t count) { return (count + 7) / 8; }

uint64_t FileBytes(uint32_t count) {
  return kHeaderBytes + (uint64_t{count} * 4 + BitmapBytes(count)) * kSortOrderKeys;
}

template <typename T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// The folder texts of the records, ASCII letters folded (so that byte order is the folder
// column's order), back to back in chunks that never move (a growing string would hold its old
// and new copies at once): a folder's own path once, and each root or parent path read from the
// store once however often it comes.
class FolderTexts {
 public:
  // The number of `text`, a folder's own path (each is met once).
  uint32_t Add(const std::string& text) {
    const std::string folded = GbkLowerAscii(text);
    if (chunks_.empty() || chunks_.back().size() + folded.size() > chunks_.back().capacity()) {
      chunks_.emplace_back();
      chunks_.back().reserve(std::max(kChunkBytes, folded.size()));
    }
    std::string& chunk = chunks_.back();
    spans_.push_back({static_cast<uint32_t>(chunks_.size() - 1),
                      static_cast<uint32_t>(chunk.size()), static_cast<uint32_t>(folded.size())});
    chunk += folded;
    return static_cast<uint32_t>(spans_.size() - 1);
  }
  // The number of `text`, a root or a parent's path, which may come again.
  uint32_t Shared(const std::string& text) {
    auto found = shared_.find(text);
    if (found != shared_.end()) return found->second;
    const uint32_t number = Add(text);
    shared_.emplace(text, number);
    return number;
  }
  // Records that folder entry `id` has text `number`; ids come in ascending order.
  void SetOwn(uint32_t id, uint32_t number) { own_.emplace_back(id, number); }
  // The number of the own path of folder entry `id`; false when it was not set.
  bool OwnOf(uint32_t id, uint32_t* number) const {
    auto found = std::lower_bound(own_.begin(), own_.end(), std::make_pair(id, 0u));
    if (found == own_.end() || found->first != id) return false;
    *number = found->second;
    return true;
  }
  // The rank of each text's number among all texts sorted as the folder column sorts them;
  // equal texts share a rank.
  std::vector<uint32_t> Ranks() const {
    std::vector<uint32_t> by_text(spans_.size());
    std::iota(by_text.begin(), by_text.end(), 0u);
    std::sort(by_text.begin(), by_text.end(),
              [this](uint32_t a, uint32_t b) { return Text(a) < Text(b); });
    std::vector<uint32_t> ranks(spans_.size());
    uint32_t rank = 0;
    for (size_t i = 0; i < by_text.size(); ++i) {
      if (i > 0 && Text(by_text[i - 1]) != Text(by_text[i])) ++rank;
      ranks[by_text[i]] = rank;
    }
    return ranks;
  }

 private:
  struct Span {
    uint32_t chunk, offset, length;
  };
  static constexpr size_t kChunkBytes = size_t{1} << 22;

  std::string_view Text(uint32_t number) const {
    const Span& span = spans_[number];
    return std::string_view(chunks_[span.chunk]).substr(span.offset, span.length);
  }

  std::vector<std::string> chunks_;                   // the folded texts, back to back
  std::vector<Span> spans_;                           // where text k lies in chunks_
  std::unordered_map<std::string, uint32_t> shared_;  // roots and parents' paths
  std::vector<std::pair<uint32_t, uint32_t>> own_;    // folder entry id, number of its path
};

// The first sixteen bytes of a folded name as two big-endian numbers (zeros past its end):
// names that differ there compare as these do. A name holds no zero byte, so two prefixes that
// are equal and end in a zero byte stand for equal names. Sixteen bytes tell apart all but about
// one name in ten of a disk; the rest are read again.
struct NamePrefix {
  uint64_t high = 0, low = 0;
  bool operator==(const NamePrefix& other) const { return high == other.high && low == other.low; }
  bool operator!=(const NamePrefix& other) const { return !(*this == other); }
  bool operator<(const NamePrefix& other) const {
    return high != other.high ? high < other.high : low < other.low;
  }
};

// What the orders are made of, entry k at index k - 1: the first bytes of the name with its
// ASCII letters folded (NamePrefixOf; the rest is read again only where two names share them), the
// folder as the number of its text (its rank once all are read), the time and the size.
struct SortColumns {
  std::vector<NamePrefix> name_prefix;
  std::vector<uint32_t> folder;
  std::vector<uint64_t> time;
  std::vector<uint64_t> size;
};

NamePrefix NamePrefixOf(const std::string& folded) {
  NamePrefix prefix;
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t byte = i < folded.size() ? static_cast<uint8_t>(folded[i]) : 0;
    uint64_t& half = i < 8 ? prefix.high : prefix.low;
    half = (half << 8) | byte;
  }
  return prefix;
}

// Reads every record into `columns`. A file's folder comes from its parent's own path, kept for
// every folder seen (parents come before their entries); any other parent is read as the result
// list reads it.
void ReadColumns(RecordStore* store, SortColumns* columns) {
  const uint32_t count = store->Count();
  FolderTexts texts;
  columns->name_prefix.reserve(count);
  columns->folder.reserve(count);
  columns->time.reserve(count);
  columns->size.reserve(count);
  for (uint32_t id = 1; id <= count; ++id) {
    RecordFields fields;
    ReadRecordFields(store, id, &fields);
    const uint64_t size = ParseHex64(fields.size);
    uint32_t folder = 0;
    if (fields.where.find(':') != std::string::npos) {
      folder = texts.Shared(fields.where);
    } else if (!texts.OwnOf(ParseParentId(fields.where), &folder)) {
      folder = texts.Shared(ParentPathOf(store, fields.where));
    }
    if (size == kFolderSize) texts.SetOwn(id, texts.Add(fields.where + "\\" + fields.name));
    columns->name_prefix.push_back(NamePrefixOf(GbkLowerAscii(fields.name)));
    columns->folder.push_back(folder);
    columns->time.push_back(ParseHex64(fields.modified));
    columns->size.push_back(size);
  }
  const std::vector<uint32_t> ranks = texts.Ranks();
  for (uint32_t& folder : columns->folder) folder = ranks[folder];
}

int CompareColumns(const SortColumns& columns, int32_t key, uint32_t a, uint32_t b) {
  switch (key) {
    case kSortFolder:
      return CompareNumbers(columns.folder[a - 1], columns.folder[b - 1]);
    case kSortModified:
      return CompareNumbers(columns.time[a - 1], columns.time[b - 1]);
    default:
      return CompareNumbers(columns.size[a - 1], columns.size[b - 1]);
  }
}

// An order and its tie bitmap: bit p set when the entry at position p sorts equal to the one
// before it.
struct KeyOrder {
  std::vector<uint32_t> ids;
  std::vector<uint8_t> ties;
  void Tie(size_t position) { ties[position / 8] |= 1u << (position % 8); }
};

// Orders ids[begin, end), which share their name prefix and stand in id order, by their whole
// folded names (read again from the store), ties by id, and marks the equal neighbours.
void OrderSharedPrefix(RecordStore* store, const NamePrefix& prefix, size_t begin, size_t end,
                       KeyOrder* order) {
  if ((prefix.low & 0xFF) == 0) {  // the names ended within the prefix: all equal
    for (size_t p = begin + 1; p < end; ++p) order->Tie(p);
    return;
  }
  std::vector<std::pair<std::string, uint32_t>> names;
  names.reserve(end - begin);
  for (size_t p = begin; p < end; ++p) {
    RecordFields fields;
    ReadRecordFields(store, order->ids[p], &fields);
    names.emplace_back(GbkLowerAscii(fields.name), order->ids[p]);
  }
  std::sort(names.begin(), names.end());  // by name bytes, then by id
  for (size_t i = 0; i < names.size(); ++i) {
    order->ids[begin + i] = names[i].second;
    if (i > 0 && names[i].first == names[i - 1].first) order->Tie(begin + i);
  }
}

KeyOrder NameOrder(RecordStore* store, const SortColumns& columns, uint32_t count) {
  KeyOrder order;
  order.ids.resize(count);
  order.ties.assign(BitmapBytes(count), 0);
  std::iota(order.ids.begin(), order.ids.end(), 1u);
  const std::vector<NamePrefix>& prefix = columns.name_prefix;
  std::sort(order.ids.begin(), order.ids.end(), [&](uint32_t a, uint32_t b) {
    return prefix[a - 1] != prefix[b - 1] ? prefix[a - 1] < prefix[b - 1] : a < b;
  });
  for (size_t begin = 0, end = 0; begin < count; begin = end) {
    const NamePrefix shared = prefix[order.ids[begin] - 1];
    for (end = begin + 1; end < count && prefix[order.ids[end] - 1] == shared;) ++end;
    if (end - begin > 1) OrderSharedPrefix(store, shared, begin, end, &order);
  }
  return order;
}

KeyOrder ColumnOrder(const SortColumns& columns, int32_t key, uint32_t count) {
  KeyOrder order;
  order.ids.resize(count);
  order.ties.assign(BitmapBytes(count), 0);
  std::iota(order.ids.begin(), order.ids.end(), 1u);
  // The ids start in ascending order, so a stable sort keeps ties by id.
  std::stable_sort(order.ids.begin(), order.ids.end(),
                   [&](uint32_t a, uint32_t b) { return CompareColumns(columns, key, a, b) < 0; });
  for (size_t p = 1; p < order.ids.size(); ++p) {
    if (CompareColumns(columns, key, order.ids[p - 1], order.ids[p]) == 0) order.Tie(p);
  }
  return order;
}

bool WriteOrder(WinFile* file, uint64_t order_offset, uint64_t ties_offset, const KeyOrder& order) {
  std::vector<uint8_t> bytes(order.ids.size() * 4);
  for (size_t i = 0; i < order.ids.size(); ++i) EncodeFixed32(&bytes[i * 4], order.ids[i]);
  const auto write = [file](uint64_t offset, const std::vector<uint8_t>& data) {
    return data.empty() ||
           file->WriteAt(offset, data.data(), static_cast<uint32_t>(data.size())) == data.size();
  };
  return write(order_offset, bytes) && write(ties_offset, order.ties);
}

}  // namespace

int CompareByKey(int32_t key, const EntryDetails& a, const EntryDetails& b) {
  switch (key) {
    case kSortName:
      return CompareAsciiNoCase(a.name, b.name);
    case kSortFolder:
      return CompareAsciiNoCase(a.folderPath, b.folderPath);
    case kSortModified:
      return CompareNumbers(a.modifiedTime, b.modifiedTime);
    case kSortSize:
      return CompareNumbers(a.size, b.size);
    default:
      return 0;
  }
}

Status WriteSortOrders(RecordStore* store, const std::string& path) {
  const uint32_t count = store->Count();
  if (FileBytes(count) > 0xFFFFFFFFull) return Status::IOError("too many entries for " + path);
  SortColumns columns;
  ReadColumns(store, &columns);
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  if (!file || !file->SetSize(0)) return Status::IOError("cannot write " + path);
  uint8_t header[kHeaderBytes];
  EncodeFixed32(header, kSortOrderVersion);
  EncodeFixed32(header + 4, count);
  bool written = file->WriteAt(0, header, kHeaderBytes) == kHeaderBytes;
  const uint64_t ties_start = kHeaderBytes + uint64_t{count} * 4 * kSortOrderKeys;
  const auto write = [&](int32_t key, const KeyOrder& order) {
    const int k = key - kSortName;
    return WriteOrder(file.get(), kHeaderBytes + uint64_t{count} * 4 * k,
                      ties_start + uint64_t{BitmapBytes(count)} * k, order);
  };
  // Two orders at a time, one of them on a second thread (the name order reads the store, which
  // only this thread uses); two are held in memory at most.
  const int32_t pairs[2][2] = {{kSortName, kSortModified}, {kSortFolder, kSortSize}};
  for (const auto& pair : pairs) {
    if (!written) break;
    KeyOrder other;
    std::thread second([&] { other = ColumnOrder(columns, pair[1], count); });
    const KeyOrder first = pair[0] == kSortName ? NameOrder(store, columns, count)
                                                : ColumnOrder(columns, pair[0], count);
    second.join();
    written = write(pair[0], first) && write(pair[1], other);
  }
  if (!written) return Status::IOError("cannot write " + path);
  return Status::Ok();
}

bool SortOrders::Open(const std::string& path, uint32_t entries) {
  Close();
  if (entries == 0 || !file_.Map(path, kFlagSequentialScan)) return false;
  const uint8_t* data = file_.Data();
  if (data == nullptr || file_.Size() != FileBytes(entries) ||
      DecodeFixed32(data) != kSortOrderVersion || DecodeFixed32(data + 4) != entries) {
    Close();
    return false;
  }
  count_ = entries;
  if (!OrdersArePermutations()) {
    Close();
    return false;
  }
  return true;
}

void SortOrders::Close() {
  file_.Unmap();
  count_ = 0;
}

uint32_t SortOrders::IdAt(int32_t key, uint32_t position) const {
  const uint64_t offset = kHeaderBytes + (uint64_t{count_} * (key - kSortName) + position) * 4;
  return DecodeFixed32(file_.Data() + offset);
}

bool SortOrders::SameAsBefore(int32_t key, uint32_t position) const {
  const uint64_t start = kHeaderBytes + uint64_t{count_} * 4 * kSortOrderKeys +
                         uint64_t{BitmapBytes(count_)} * (key - kSortName);
  return (file_.Data()[start + position / 8] >> (position % 8)) & 1;
}

bool SortOrders::OrdersArePermutations() const {
  std::vector<uint8_t> seen(BitmapBytes(count_));
  for (int k = 0; k < kSortOrderKeys; ++k) {
    std::fill(seen.begin(), seen.end(), 0);
    for (uint32_t p = 0; p < count_; ++p) {
      const uint32_t id = IdAt(kSortName + k, p);
      if (id == 0 || id > count_) return false;
      uint8_t& byte = seen[(id - 1) / 8];
      const uint8_t bit = static_cast<uint8_t>(1u << ((id - 1) % 8));
      if (byte & bit) return false;
      byte |= bit;
    }
  }
  return true;
}

}  // namespace sorvik
