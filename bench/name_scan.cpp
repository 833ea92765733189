#include "bench/name_scan.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "bench/find_bytes.h"
#include "bench/simd_find.h"
#include "index/index_builder.h"
#include "index/record_store.h"
#include "query/search_request.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace bench {

void FoldLetters(std::string* text) { *text = GbkLowerAscii(std::move(*text)); }

void NameScan::Add(const char* name, uint32_t length) {
  std::string folded(name, length);
  FoldLetters(&folded);
  ++name_count_;
  text_ += folded;
  text_ += '\n';
  for (char c : folded) ++byte_counts_[static_cast<unsigned char>(c)];
}

uint32_t NameScan::Load(RecordStore* store) {
  uint32_t added = 0;
  for (uint32_t id = 1; id <= store->Count(); ++id) {
    const char* record = nullptr;
    const char* name = nullptr;
    uint32_t length = 0, name_length = 0;
    if (!store->ReadText(id, &record, &length)) length = 0;
    RecordName(record, length, &name, &name_length);
    Add(name, name_length);
    ++added;
  }
  return added;
}

size_t NameScan::NameStart(size_t offset) const {
  while (offset > 0 && text_[offset - 1] != '\n') --offset;
  return offset;
}

size_t NameScan::RarestWord(const std::vector<std::string>& words) const {
  size_t rarest = 0;
  double rarest_share = 2;
  const double bytes = static_cast<double>(text_.size() + 1);
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    double share = byte_counts_[static_cast<unsigned char>(word.front())] / bytes;
    if (word.size() > 1) share *= byte_counts_[static_cast<unsigned char>(word.back())] / bytes;
    if (share < rarest_share || (share == rarest_share && word.size() > words[rarest].size())) {
      rarest = i;
      rarest_share = share;
    }
  }
  return rarest;
}

namespace {

using FindFunction = const char* (*)(const char*, size_t, const char*, size_t);

// Whether the name of `length` bytes holds every word of `words` but `lead`.
bool HoldsTheOthers(const char* name, size_t length, const std::vector<std::string>& words,
                    size_t lead, FindFunction find) {
  for (size_t i = 0; i < words.size(); ++i) {
    if (i != lead && find(name, length, words[i].data(), words[i].size()) == nullptr) return false;
  }
  return true;
}

}  // namespace

void NameScan::MatchRun(const std::vector<std::string>& words, ScanFinder finder,
                        std::vector<uint32_t>* hits) const {
  const size_t lead = RarestWord(words);
  const std::string& first = words[lead];
  const char* const text = text_.data();
  if (finder == ScanFinder::kSimd) {
    // One pass names the names that hold the lead word; the others are checked per name.
    std::vector<uint32_t> starts;
    FindNamesHolding(text, text_.size(), first.data(), first.size(),
                     words.size() == 1 ? hits : &starts);
    for (uint32_t start : starts) {
      const char* end =
          static_cast<const char*>(std::memchr(text + start, '\n', text_.size() - start));
      if (HoldsTheOthers(text + start, end - (text + start), words, lead, FindFirstLast)) {
        hits->push_back(start);
      }
    }
    return;
  }
  // The library's search finds the next hit; the line feeds around it delimit its name.
  size_t at = 0;
  while (at < text_.size()) {
    const char* hit = FindBytes(text + at, text_.size() - at, first.data(), first.size());
    if (hit == nullptr) return;
    const size_t start = NameStart(static_cast<size_t>(hit - text));
    const char* end = static_cast<const char*>(
        std::memchr(hit + first.size(), '\n', text_.size() - (hit + first.size() - text)));
    if (HoldsTheOthers(text + start, end - (text + start), words, lead, FindBytes)) {
      hits->push_back(static_cast<uint32_t>(start));
    }
    at = static_cast<size_t>(end - text) + 1;
  }
}

uint32_t NameScan::Count(const std::string& keywords, ScanFinder finder) const {
  ParsedKeywords parsed = ParseKeywords(keywords);
  if (parsed.selectsAll) return NameCount();
  std::vector<uint32_t> all, run, merged;
  for (std::vector<std::string> words : parsed.alternatives) {
    if (words.empty()) continue;  // a run without a kept word matches nothing
    for (std::string& word : words) FoldLetters(&word);
    run.clear();
    MatchRun(words, finder, &run);
    merged.clear();
    std::set_union(all.begin(), all.end(), run.begin(), run.end(), std::back_inserter(merged));
    all.swap(merged);
  }
  return static_cast<uint32_t>(all.size());
}

}  // namespace bench
}  // namespace sorvik
