#include "query/live_layer.h"

#include <algorithm>

#include "index/full_pinyin.h"
#include "index/name_index_format.h"
#include "index/name_keys.h"
#include "index/snapshot_format.h"
#include "platform/local_time.h"
#include "query/entry_set.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

using names::kMaxPosition;

// The keys the index records for a name (its first 128 bytes, at most 128 keys), or of a whole
// keyword word, as one string so that a word is found with one search.
std::u16string KeyText(const std::string& text, bool indexed) {
  const uint32_t limit =
      static_cast<uint32_t>(indexed ? std::min<size_t>(text.size(), kMaxPosition) : text.size());
  std::vector<uint32_t> keys = TokenizeName(text, limit);
  if (indexed && keys.size() > kMaxPosition) keys.resize(kMaxPosition);
  std::u16string out(keys.size(), u'\0');
  for (size_t i = 0; i < keys.size(); ++i) out[i] = static_cast<char16_t>(keys[i]);
  return out;
}

// A keyword word ready to be matched against many names.
struct PreparedWord {
  std::u16string keys;  // its keys
  PinyinWord pinyin;    // the word for matching by pinyin; empty: not by pinyin
};

// Whether the word's keys occur in the name's keys where the index would find them: one key
// anywhere, n >= 2 keys starting at 1-based key position 127 - n or earlier.
bool KeysHold(const std::u16string& name, const std::u16string& word) {
  const size_t n = word.size();
  if (n == 0) return false;
  const size_t found = name.find(word);
  if (found == std::u16string::npos) return false;
  return n == 1 || found + 1 + n <= kMaxPosition - 1;
}

using PreparedKeywords = std::vector<std::vector<PreparedWord>>;

PreparedKeywords Prepare(const ParsedKeywords& parsed, bool pinyin) {
  PreparedKeywords prepared;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    std::vector<PreparedWord> run;
    for (const std::string& word : words) {
      run.push_back({KeyText(word, false), PinyinWord(pinyin ? word : std::string())});
    }
    prepared.push_back(std::move(run));
  }
  return prepared;
}

// Whether the entry's name spells `word` by pinyin: one of its name keys is a character that
// spells it alone, or a run of two characters or more does.
bool SpellsByPinyin(const LiveEntry& entry, PinyinWord* word) {
  for (char16_t key : entry.nameKeys) {
    if (word->SpelledBy(static_cast<uint8_t>(key >> 8), static_cast<uint8_t>(key))) return true;
  }
  return word->FoundIn(entry.details.name.data(), entry.details.name.size());
}

bool NameMatches(const LiveEntry& entry, PreparedKeywords* keywords) {
  for (std::vector<PreparedWord>& run : *keywords) {
    if (run.empty()) continue;
    bool all = true;
    for (PreparedWord& word : run) {
      if (KeysHold(entry.nameKeys, word.keys)) continue;
      if (!word.pinyin.Empty() && SpellsByPinyin(entry, &word.pinyin)) continue;
      all = false;
      break;
    }
    if (all) return true;
  }
  return false;
}

bool InCategory(const LiveEntry& entry, int32_t category) {
  if (category == snapshot::kHidden) return (entry.attributes & kAttributeHidden) != 0;
  return entry.category == category;
}

}  // namespace

std::string LivePathKey(const std::string& path) {
  std::string key = path;
  for (size_t i = 0; i < key.size(); i += GbkCharLength(key, i)) {
    if (key[i] >= 'A' && key[i] <= 'Z') key[i] = static_cast<char>(key[i] - 'A' + 'a');
  }
  while (key.size() > 2 && key.back() == '\\') key.pop_back();
  return key;
}

uint32_t LiveLayer::Put(const std::string& path, const FindRecord& record, int current_year) {
  LiveEntry entry;
  entry.details.name = record.name;
  entry.details.folderPath = GbkFolderOf(path);
  entry.attributes = record.attributes;
  const bool folder = (record.attributes & kAttributeDirectory) != 0;
  entry.details.size = folder ? kFolderSize : record.size;
  entry.category = static_cast<int8_t>(folder ? snapshot::kFolders : CategoryOfName(record.name));
  // The time and month code exactly as the walker makes them.
  LocalTime local;
  int64_t minute_seconds = -1;
  if (!FileTimeToLocalMinute(record.last_write, &local, &minute_seconds)) {
    local = LocalTime{1601, 1, 1, 1, 0, 0, 0, 0};
  }
  int code_year = 0;
  entry.details.modifiedTime = ParseHex64(TimeText(local, current_year, &code_year));
  entry.monthCode = snapshot::MonthCode(code_year, local.month);
  entry.nameKeys = KeyText(entry.details.name, true);

  const std::string key = LivePathKey(path);
  auto found = ids_.find(key);
  if (found != ids_.end()) {
    *EntryOf(found->second) = std::move(entry);
    return found->second;
  }
  entries_.push_back(std::move(entry));
  const uint32_t id = base_ + static_cast<uint32_t>(entries_.size());
  ids_.emplace(key, id);
  return id;
}

LiveEntry* LiveLayer::EntryOf(uint32_t id) {
  if (id <= base_ || id - base_ > entries_.size()) return nullptr;
  return &entries_[id - base_ - 1];
}

const LiveEntry* LiveLayer::Find(const std::string& path) const {
  auto found = ids_.find(LivePathKey(path));
  return found == ids_.end() ? nullptr : &entries_[found->second - base_ - 1];
}

void LiveLayer::Erase(const std::string& path, bool below) {
  const std::string key = LivePathKey(path);
  auto found = ids_.find(key);
  if (found != ids_.end()) EntryOf(found->second)->alive = false;
  if (!below) return;
  const std::string prefix = key + "\\";
  for (auto it = ids_.lower_bound(prefix);
       it != ids_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    EntryOf(it->second)->alive = false;
  }
}

bool LiveLayer::EraseId(uint32_t id, const std::string& fullPath) {
  LiveEntry* entry = EntryOf(id);
  if (entry == nullptr || !GbkEqualNoCase(entry->details.FullPath(), fullPath)) return false;
  entry->alive = false;
  return true;
}

void LiveLayer::RemoveIndexId(uint32_t id) {
  if (id != 0 && id <= base_) removed_ids_.insert(id);
}

void LiveLayer::RemoveIndexSubtree(uint32_t id, uint32_t below) {
  if (id == 0 || id > base_ || !removed_folders_.insert(id).second) return;
  const uint64_t last = uint64_t{id} + below;
  removed_ranges_.emplace_back(id, last > base_ ? base_ : static_cast<uint32_t>(last));
}

void LiveLayer::ClearRemoved(EntrySet* set) const {
  for (uint32_t id : removed_ids_) set->ClearId(id);
  for (const auto& range : removed_ranges_) {
    set->ClearRange(range.first, range.second + 1);
  }
}

void LiveLayer::Match(const SearchRequest& request, std::vector<uint32_t>* ids) const {
  const ParsedKeywords parsed = ParseKeywords(request.keywords);
  PreparedKeywords keywords = Prepare(parsed, request.pinyin);
  const bool filtered_by_category = request.category >= 0 && request.category <= 5;
  auto selects = [&](const LiveEntry& entry) {
    if (!entry.alive) return false;
    if (request.hiddenOnly != 0 && (entry.attributes & kAttributeHidden) == 0) return false;
    if (filtered_by_category && !InCategory(entry, request.category)) return false;
    if (request.monthFrom != 0 &&
        !(request.monthFrom <= entry.monthCode && entry.monthCode < request.monthTo)) {
      return false;
    }
    return parsed.selectsAll || NameMatches(entry, &keywords);
  };
  if (request.location.size() < 2) {
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (selects(entries_[i])) ids->push_back(base_ + 1 + static_cast<uint32_t>(i));
    }
    return;
  }
  // Entries below the location: one run of the ordered keys.
  const std::string prefix = LivePathKey(request.location) + "\\";
  const size_t from = ids->size();
  for (auto it = ids_.lower_bound(prefix);
       it != ids_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
    if (selects(entries_[it->second - base_ - 1])) ids->push_back(it->second);
  }
  std::sort(ids->begin() + static_cast<std::ptrdiff_t>(from), ids->end());
}

bool LiveLayer::Details(uint32_t id, EntryDetails* out) const {
  if (id <= base_ || id - base_ > entries_.size()) return false;
  *out = entries_[id - base_ - 1].details;
  return true;
}

uint32_t CollectMergedPage(const EntrySet* set, const std::vector<uint32_t>& extra, uint32_t first,
                           uint32_t count, std::vector<uint32_t>* out) {
  uint32_t indexed = 0;
  if (first == 0) first = 1;
  const uint64_t last = count == 0xFFFFFFFFu ? UINT64_MAX : uint64_t{first} + count - 1;
  if (set != nullptr) {
    EntrySetCursor cursor(*set);
    indexed = cursor.Count();
    if (first <= indexed) cursor.CollectRanks(first, count, out);
  }
  for (uint64_t rank = std::max<uint64_t>(first, uint64_t{indexed} + 1);
       rank <= last && rank - indexed <= extra.size(); ++rank) {
    out->push_back(extra[rank - indexed - 1]);
  }
  return indexed + static_cast<uint32_t>(extra.size());
}

}  // namespace sorvik
