// Name keys and the keyword line: a few names and one typed keyword line from the input. The
// names become a real index (record store, chunked name-index build with merges); the indexed
// search must select exactly the names that the brute-force matcher selects, with pinyin
// off and on (the initials index of the same build; the pinyin rule tried directly, reading by
// reading). TokenizeName itself
// runs over the raw input with every limit class. A crash or a disagreement is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "index/index_builder.h"
#include "index/name_keys.h"
#include "index/pinyin_initials.h"
#include "index/pinyin_readings.h"
#include "index/record_store.h"
#include "query/entry_set.h"
#include "query/keyword_match.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "query/search_request.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr size_t kMaxNames = 8;

// TokenizeName over raw bytes: never more keys than the array holds, every key 16 bits, and the
// string form agrees with the pointer form.
void CheckTokenizer(const std::string& text, uint32_t limit) {
  uint32_t keys[names::kMaxNameKeys + 1];
  keys[names::kMaxNameKeys] = 0xDEADBEEF;
  const uint32_t count = TokenizeName(text.data(), text.size(), limit, keys);
  if (count > names::kMaxNameKeys || keys[names::kMaxNameKeys] != 0xDEADBEEF) std::abort();
  for (uint32_t i = 0; i < count; ++i) {
    if (keys[i] > 0xFFFF) std::abort();
  }
  if (TokenizeName(text, limit) != std::vector<uint32_t>(keys, keys + count)) std::abort();
}

// The keyword rules' promises about the words of a line.
void CheckParsed(const ParsedKeywords& parsed) {
  for (const std::vector<std::string>& words : parsed.alternatives) {
    if (words.size() > kMaxWordsPerAlternative) std::abort();
    for (const std::string& word : words) {
      if (word.size() < kMinWordBytes || word.size() > kMaxWordBytes) std::abort();
    }
  }
}

// Real names hold neither line ends nor zero bytes; the record format could not carry them.
std::vector<std::string> NamesOf(const std::string& part) {
  std::vector<std::string> names;
  size_t at = 0;
  while (names.size() < kMaxNames && at <= part.size()) {
    size_t end = part.find('\n', at);
    if (end == std::string::npos) end = part.size();
    std::string name = part.substr(at, end - at);
    for (char& c : name) {
      if (c == '\r' || c == '\0') c = '_';
    }
    names.push_back(name);
    at = end + 1;
  }
  return names;
}

// Builds the index of `names` in `folder` with `chunk` names per chunk.
bool BuildNames(const std::string& folder, const std::vector<std::string>& names, uint32_t chunk,
                uint32_t window) {
  RecordStore store;
  if (!store.Open(folder + "\\db.txt")) return false;
  for (const std::string& name : names) store.Append("I:" + name + "\nM:0\nD:G:\nS:0\n");
  IndexBuilder builder;
  builder.SetWorkFolder(folder + "\\");
  builder.SetRecordSource(&store);
  builder.SetChunkNames(chunk);
  builder.SetFillWindow(window);
  builder.SetLog(BuildLog());
  return builder.Build();
}

// Whether the characters of `name` from byte `at` on spell `word` (lower case) from `done` on,
// each Chinese character by a prefix of one of its readings and each other character by its own
// byte, with `used` characters spent so far and two at least in all.
bool SpellsFrom(const std::string& name, size_t at, const std::string& word, size_t done,
                int used) {
  if (done == word.size()) return used >= 2;
  if (at >= name.size()) return false;
  if (GbkCharLength(name, at) == 1) {
    const uint8_t byte = static_cast<uint8_t>(name[at]);
    return byte != 0 && byte < 0x80 && LowerAscii(name[at]) == word[done] &&
           SpellsFrom(name, at + 1, word, done + 1, used + 1);
  }
  const PinyinReadings readings =
      PinyinReadingsOf(static_cast<uint8_t>(name[at]), static_cast<uint8_t>(name[at + 1]));
  for (uint32_t k = 0; k < readings.count; ++k) {
    const std::string syllable = PinyinSyllable(readings.ids[k]);
    for (size_t n = 1; n <= syllable.size() && done + n <= word.size(); ++n) {
      if (syllable[n - 1] != word[done + n - 1]) break;
      if (SpellsFrom(name, at + 2, word, done + n, used + 1)) return true;
    }
  }
  return false;
}

// The brute force of a match by pinyin: a run of two characters or more spells the word from
// some character on, or one character the name keys hold (a key read as a code) spells it alone.
bool NameSpellsByPinyin(const std::string& name, const std::string& typed) {
  if (!IsInitialsWord(typed)) return false;
  std::string word;
  for (char c : typed) word.push_back(LowerAscii(c));
  for (uint32_t key : IndexedNameKeys(name)) {
    const PinyinReadings readings = PinyinReadingsOf(key >> 8, key & 0xFF);
    for (uint32_t k = 0; k < readings.count; ++k) {
      if (std::string(PinyinSyllable(readings.ids[k])).compare(0, word.size(), word) == 0) {
        return true;
      }
    }
  }
  for (size_t at = 0; at < name.size(); at += GbkCharLength(name, at)) {
    if (SpellsFrom(name, at, word, 0, 0)) return true;
  }
  return false;
}

// The brute-force answer with pinyin: every word of an alternative by the name keys or by pinyin.
bool NameMatchesWithPinyin(const std::string& name, const ParsedKeywords& parsed) {
  if (parsed.selectsAll) return true;
  for (const std::vector<std::string>& words : parsed.alternatives) {
    bool all = !words.empty();
    for (const std::string& word : words) {
      all = all && (NameMatchesWord(name, word) || NameSpellsByPinyin(name, word));
    }
    if (all) return true;
  }
  return false;
}

void CompareWithMatcher(const std::string& folder, const std::vector<std::string>& names,
                        const std::string& line) {
  LoadedIndex index;
  if (!index.Open(folder) || index.initials() == nullptr) std::abort();
  const ParsedKeywords parsed = ParseKeywords(line);
  CheckParsed(parsed);
  for (const bool pinyin : {false, true}) {
    SearchRequest request;
    request.keywords = line;
    request.pinyin = pinyin;
    std::unique_ptr<EntrySet> set = BuildSet(&index, request);
    if (!set || set->bitCount() != names.size()) std::abort();
    for (uint32_t id = 1; id <= names.size(); ++id) {
      const std::string& name = names[id - 1];
      const bool expected =
          pinyin ? NameMatchesWithPinyin(name, parsed) : NameMatchesKeywords(name, parsed);
      if (set->Contains(id) != expected) {
        std::fprintf(stderr, "disagreement on name %u for the keyword line (pinyin %d)\n", id,
                     pinyin);
        std::abort();
      }
    }
  }
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 3);
  fuzz::FieldReader settings(parts[0]);
  // An eighth of the inputs build in two chunks that are merged; a merge walks every key
  // position and costs far more than a build in one chunk.
  const uint8_t chunking = settings.U8();
  const uint32_t window = 4 * (1 + settings.U8());
  const std::vector<std::string> names = NamesOf(parts[1]);
  const uint32_t chunk = chunking >= 0xE0 ? static_cast<uint32_t>(names.size() + 1) / 2 : kMaxNames;
  const std::string line = NormalizeKeywords(parts[2]);

  for (uint32_t limit : {0u, 1u, 2u, 3u, 127u, 128u, 253u, 254u, 255u, 100000u}) {
    CheckTokenizer(parts[1], limit);
  }
  // Most mutations change one part only: the index of the last names is kept for the next
  // input with the same names and build settings.
  static std::string built_for;
  static std::string folder;
  const std::string build_key = parts[0] + fuzz::kPartSeparator + parts[1];
  if (folder.empty() || build_key != built_for) {
    folder = fuzz::ScratchFolder::Get().Fresh();
    built_for = build_key;
    if (!BuildNames(folder, names, chunk, window)) std::abort();
  }
  CompareWithMatcher(folder, names, line);
  return 0;
}
