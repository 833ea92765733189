#include "testing/name_generator.h"

#include <algorithm>

#include "text/gbk_text.h"

namespace sorvik {
namespace testing {

namespace {

// Name pieces: ASCII words in both cases, the folded punctuation, GBK words, digits.
const char* const kPieces[] = {"report", "Report", "data", "DATA", "x",  "_",  "[a]",  "{a}",
                               "ab",     "2008",   "-",    " ",    ".",  "in", "er",   "q",
                               "中文",   "文件",   "报告", "图片", "表", "z9", "ab_1", "ab-1",
                               "readme", "Readme", "tmp",  "新建", "cd", "11"};
const char* const kExtensions[] = {"",     ".txt",  ".JPG", ".jpeg", ".doc", ".Docx",  ".exe",
                                   ".mp3", ".rmvb", ".gz",  ".MSI",  ".pdf", ".tar.GZ"};

}  // namespace

std::string RandomName(Random* random, uint32_t serial, size_t max_bytes, std::string* extension) {
  std::string name = random->Next(12) == 0 ? "." : "";
  uint32_t pieces = 1 + random->Next(random->Next(10) == 0 ? 40 : 5);  // some reach 127 keys
  for (uint32_t i = 0; i < pieces; ++i) name += kPieces[random->Next(30)];
  const char* chosen = kExtensions[random->Next(13)];
  if (extension != nullptr) *extension = chosen;
  std::string suffix = "~" + std::to_string(serial) + chosen;
  size_t room = max_bytes > suffix.size() ? max_bytes - suffix.size() : 0;
  if (name.size() > std::min<size_t>(room, 200)) name.resize(std::min<size_t>(room, 200));
  while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
  size_t i = 0;
  while (i < name.size()) i += GbkCharLength(name, i);
  if (i > name.size()) name.pop_back();
  return name + suffix;
}

std::vector<std::string> MixedNames(uint32_t count, uint32_t seed) {
  static const char kAscii[] = "abcAB_[]{}.1- ";
  static const char* const kGbk[] = {"\xD6\xD0", "\xCE\xC4", "\xB0\xA1", "\xF7\xFE", "\x81\x40"};
  Random random(seed);
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t shape = random.Next(6);
    uint32_t length = shape == 0 ? 1 : shape == 1 ? 100 + random.Next(160) : 2 + random.Next(14);
    std::string name;
    while (name.size() < length) {
      bool gbk =
          shape == 2 || (shape >= 3 && random.Next(2) == 0) || (shape == 1 && random.Next(3) == 0);
      name += gbk ? kGbk[random.Next(5)] : std::string(1, kAscii[random.Next(sizeof kAscii - 1)]);
    }
    names.push_back(name);
  }
  return names;
}

}  // namespace testing
}  // namespace sorvik
