// Full pinyin: with pinyin search on, a keyword word of ASCII text with a letter in it
// (IsInitialsWord) also matches a name when it spells a run of the name's consecutive
// characters, each Chinese character taking a prefix of one of its readings (one letter at
// least: its initial, up to the whole syllable) and each ASCII character exactly its own byte,
// letters without regard to case. "baogao", "bgao" and "bg" find 报告; "xian" finds 西安 and 先.
// A character without readings spells nothing and so ends a run. Every initials match is a
// full-pinyin match whose characters each take one letter. A word that one character spells
// alone (the word a prefix of one of its readings) finds what a search for that character finds:
// the name keys (index/name_keys.h) hold its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

// A word prepared for matching names by full pinyin; reusable for many names.
class PinyinWord {
 public:
  // Empty (matching nothing) unless IsInitialsWord(word).
  explicit PinyinWord(const std::string& word);

  bool Empty() const { return word_.empty(); }
  // Whether a run of two characters or more of the GBK name of `size` bytes at `name` spells
  // the word (the runs of one character are SpelledBy's).
  bool FoundIn(const char* name, size_t size);
  // Whether the GBK code lead * 256 + trail has a reading that starts with the whole word.
  bool SpelledBy(uint8_t lead, uint8_t trail) const;

 private:
  // Adds to next_ the word places reachable from place `at` through one character.
  void Step(const char* name, size_t size, size_t i, size_t length, uint32_t at);
  // Marks `place` reached; the word's end counts only after two characters or more.
  void Reach(uint32_t place, bool first);

  std::string word_;             // the word, letters in lower case
  std::vector<uint32_t> live_;   // word places reached before the current character
  std::vector<uint32_t> next_;   // word places reached after it
  std::vector<uint32_t> stamp_;  // per word place: the character count when last reached
  uint32_t round_ = 0;           // characters stepped through, for stamp_
  bool done_ = false;            // the whole word was reached
};

// The GBK codes (lead * 256 + trail, ascending) that spell `word` alone: one of their readings
// starts with it, letters without regard to case. None for a word that is no syllable's prefix.
std::vector<uint16_t> CharactersSpelling(const std::string& word);

// One initials word a word may stand for under full pinyin, with the pieces that tell the
// names which spell the word that way from the others.
struct CutInitials {
  std::string initials;             // the bytes that begin the pieces of a cut
  std::vector<std::string> pieces;  // for each cut that gives `initials`, its pieces of two
                                    // bytes or more, separated by spaces; ascending, no repeats
};

// The initials words a word may stand for under full pinyin: for each way to cut `word` (letters
// in lower case) into pieces that are each one byte or a prefix of two letters or more of some
// syllable, with one such longer piece at least, the bytes that begin its pieces; ascending,
// each listed once. A name spells the word only where its initials hold one of them (or the word
// itself: the cut into single bytes, left out), and then holds, among the characters there, one
// that spells each longer piece of one of the cuts. False when the cuts give more than `limit`
// initials words or take more than `limit` * 8 steps to enumerate; `out` then holds part of them
// only.
bool FullPinyinInitials(const std::string& word, size_t limit, std::vector<CutInitials>* out);

}  // namespace sorvik
