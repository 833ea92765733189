#include "index/full_pinyin.h"

#include <algorithm>
#include <cstring>

#include "index/pinyin_initials.h"
#include "index/pinyin_readings.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

bool IsLetter(uint8_t byte) { return (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z'; }

char Folded(uint8_t byte) { return static_cast<char>(IsLetter(byte) ? (byte | 0x20) : byte); }

// The depth-first enumeration of FullPinyinInitials.
class InitialsOfCuts {
 public:
  InitialsOfCuts(const std::string& word, size_t limit) : word_(word), limit_(limit) {}

  bool Enumerate(std::vector<CutInitials>* out) {
    Cut(0);
    Dedupe();
    out->clear();
    for (const auto& found : found_) {
      if (out->empty() || out->back().initials != found.first) out->push_back({found.first, {}});
      out->back().pieces.push_back(found.second);
    }
    return ok_;
  }

 private:
  // Cuts the word from byte `at` on.
  void Cut(size_t at) {
    if (!ok_) return;
    if (++steps_ > limit_ * 8) {
      ok_ = false;
      return;
    }
    if (at == word_.size()) {
      if (!pieces_.empty()) found_.emplace_back(initials_, pieces_.substr(1));
      if (found_.size() > 4 * limit_) Dedupe();
      return;
    }
    initials_.push_back(word_[at]);
    Cut(at + 1);
    for (size_t n = 2; at + n <= word_.size() && IsLetter(word_[at + n - 1]) && IsLetter(word_[at]);
         ++n) {
      uint32_t first = 0, end = 0;
      SyllablesStartingWith(word_.data() + at, n, &first, &end);
      if (first == end) break;  // no longer piece can be a prefix either
      const size_t kept = pieces_.size();
      pieces_ += ' ' + word_.substr(at, n);
      Cut(at + n);
      pieces_.resize(kept);
    }
    initials_.pop_back();
  }

  // Drops repeats, and stops when there are too many distinct initials words.
  void Dedupe() {
    std::sort(found_.begin(), found_.end());
    found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
    size_t words = 0;
    for (size_t i = 0; i < found_.size(); ++i) {
      words += i == 0 || found_[i].first != found_[i - 1].first;
    }
    ok_ = ok_ && words <= limit_;
  }

  const std::string& word_;                                 // lower case
  const size_t limit_;                                      // most initials words wanted
  std::vector<std::pair<std::string, std::string>> found_;  // (initials, longer pieces) per cut
  std::string initials_;  // the first bytes of the pieces cut so far
  std::string pieces_;    // the pieces of two bytes or more cut so far, each after a space
  size_t steps_ = 0;      // calls of Cut
  bool ok_ = true;        // within the limits so far
};

}  // namespace

PinyinWord::PinyinWord(const std::string& word) {
  if (!IsInitialsWord(word)) return;
  for (char c : word) word_.push_back(Folded(static_cast<uint8_t>(c)));
  stamp_.assign(word_.size(), 0);
}

void PinyinWord::Reach(uint32_t place, bool first) {
  if (place == word_.size()) {
    done_ = done_ || !first;
  } else if (stamp_[place] != round_) {
    stamp_[place] = round_;
    next_.push_back(place);
  }
}

void PinyinWord::Step(const char* name, size_t size, size_t i, size_t length, uint32_t at) {
  const uint8_t lead = static_cast<uint8_t>(name[i]);
  if (length == 2 && i + 1 < size) {
    const PinyinReadings readings = PinyinReadingsOf(lead, static_cast<uint8_t>(name[i + 1]));
    for (uint32_t k = 0; k < readings.count; ++k) {
      const char* syllable = PinyinSyllable(readings.ids[k]);
      for (size_t j = 0; syllable[j] != 0 && at + j < word_.size() && syllable[j] == word_[at + j];
           ++j) {
        Reach(static_cast<uint32_t>(at + j + 1), at == 0);
      }
    }
  } else if (length == 1 && lead != 0 && lead < 0x80 && Folded(lead) == word_[at]) {
    Reach(at + 1, at == 0);
  }
}

bool PinyinWord::FoundIn(const char* name, size_t size) {
  if (word_.empty()) return false;
  live_.clear();
  done_ = false;
  for (size_t i = 0; i < size;) {
    const size_t length = GbkCharLength(name, size, i);
    if (++round_ == 0) {  // the stamps wrapped: forget them
      std::fill(stamp_.begin(), stamp_.end(), 0);
      round_ = 1;
    }
    next_.clear();
    Step(name, size, i, length, 0);  // a run may begin at every character
    for (uint32_t at : live_) Step(name, size, i, length, at);
    if (done_) return true;
    live_.swap(next_);
    i += length;
  }
  return false;
}

bool PinyinWord::SpelledBy(uint8_t lead, uint8_t trail) const {
  if (word_.empty()) return false;
  const PinyinReadings readings = PinyinReadingsOf(lead, trail);
  for (uint32_t k = 0; k < readings.count; ++k) {
    // The word holds no zero byte, so a shorter syllable differs at its end.
    if (std::strncmp(PinyinSyllable(readings.ids[k]), word_.data(), word_.size()) == 0) {
      return true;
    }
  }
  return false;
}

std::vector<uint16_t> CharactersSpelling(const std::string& word) {
  std::vector<uint16_t> codes;
  std::string lower;
  for (char c : word) lower.push_back(Folded(static_cast<uint8_t>(c)));
  uint32_t first = 0, end = 0;
  if (!lower.empty()) SyllablesStartingWith(lower.data(), lower.size(), &first, &end);
  for (uint32_t id = first; id < end; ++id) {
    const std::vector<uint16_t>& more = CodesReading(id);
    codes.insert(codes.end(), more.begin(), more.end());
  }
  std::sort(codes.begin(), codes.end());
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
  return codes;
}

bool FullPinyinInitials(const std::string& word, size_t limit, std::vector<CutInitials>* out) {
  std::string lower;
  for (char c : word) lower.push_back(Folded(static_cast<uint8_t>(c)));
  InitialsOfCuts cuts(lower, limit);
  return cuts.Enumerate(out);
}

}  // namespace sorvik
