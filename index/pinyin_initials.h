// Pinyin initials of names: each Chinese character stands for the initial letters of all its
// readings (from the generated GBK table), every other byte for itself, ASCII letters folded to
// lower case. A keyword word of ASCII text with a letter in it then also matches a name whose
// initials hold it, so that "bg" finds "报告.doc".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

// Letter mask of the GBK double-byte code lead * 256 + trail: bit 0 for "a" .. bit 25 for "z",
// one bit per distinct initial of the character's readings; 0 for a code without readings.
uint32_t PinyinInitialsOf(uint8_t lead, uint8_t trail);

// One place of an initials string: a letter mask (a Chinese character with readings, or an
// ASCII letter as its single bit), kOtherByte | the byte for any other ASCII byte, and 0 for a
// double-byte character without readings, which no keyword byte matches.
using InitialsUnit = uint32_t;
constexpr InitialsUnit kOtherByte = 0x80000000u;

// The initials string of a GBK name, one unit per character (text/gbk_text.h says what a
// character is). A single byte of 0x80 or more (0x80, 0xFF, a lead byte at the end) is a
// character without readings.
std::vector<InitialsUnit> InitialsOf(const std::string& name);
// InitialsOf for `size` bytes at `name`, into `units` (cleared first), for scans that reuse it.
void InitialsOf(const char* name, size_t size, std::vector<InitialsUnit>* units);

// Whether `word` may match by initials: only ASCII bytes, at least one of them a letter.
bool IsInitialsWord(const std::string& word);

// A word prepared for matching: its bytes as units (letters as masks, the rest kOtherByte |
// byte). Empty when the word may not match by initials.
std::vector<InitialsUnit> InitialsPattern(const std::string& word);

// Whether `pattern` occurs at consecutive places of `initials`.
bool InitialsContain(const std::vector<InitialsUnit>& initials,
                     const std::vector<InitialsUnit>& pattern);

// Whether the initials of `name` hold `word` (false for a word that may not match by initials).
bool NameMatchesInitials(const std::string& name, const std::string& word);

}  // namespace sorvik
