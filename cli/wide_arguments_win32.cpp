#include <windows.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "cli/wide_arguments.h"

namespace sorvik {
namespace {

std::mutex& LostLock() {
  static std::mutex lock;
  return lock;
}

// Code-page word -> the first character it lost.
std::map<std::string, std::string>& LostWords() {
  static std::map<std::string, std::string> words;
  return words;
}

// The code-page form of `wide`; `lost` tells whether a character did not survive (none in the
// code page, or a best-fit stand-in that reads back as another character).
std::string ToCodePage(const std::wstring& wide, bool* lost) {
  *lost = false;
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &text[0], length, nullptr, &used_default);
  std::wstring back(wide.size() + 1, L'\0');
  const int back_length = MultiByteToWideChar(CP_ACP, 0, text.data(), length, &back[0], size + 1);
  *lost = used_default != FALSE || back.compare(0, back_length, wide) != 0 || back_length != size;
  return text;
}

// "U+XXXX" of the first character of `word` that the code page loses.
std::string FirstLostCharacter(const std::wstring& word) {
  for (size_t at = 0; at < word.size();) {
    const bool pair = at + 1 < word.size() && word[at] >= 0xD800 && word[at] <= 0xDBFF &&
                      word[at + 1] >= 0xDC00 && word[at + 1] <= 0xDFFF;
    const size_t units = pair ? 2 : 1;
    bool lost = false;
    ToCodePage(word.substr(at, units), &lost);
    if (lost) {
      const unsigned code =
          pair ? 0x10000 + ((word[at] - 0xD800u) << 10) + (word[at + 1] - 0xDC00u) : word[at];
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", code);
      return name;
    }
    at += units;
  }
  return std::string();
}

// Remembers each word of `argument` that lost a character.
void NoteLostWords(const std::wstring& argument) {
  size_t start = 0;
  while (start <= argument.size()) {
    size_t end = argument.find(L' ', start);
    if (end == std::wstring::npos) end = argument.size();
    const std::wstring word = argument.substr(start, end - start);
    bool lost = false;
    const std::string text = ToCodePage(word, &lost);
    if (lost) {
      std::lock_guard<std::mutex> hold(LostLock());
      LostWords().emplace(text, FirstLostCharacter(word));
    }
    start = end + 1;
  }
}

}  // namespace

std::vector<std::string> ArgumentsFromWide(const wchar_t* command_line) {
  std::vector<std::string> args;
  {
    std::lock_guard<std::mutex> hold(LostLock());
    LostWords().clear();  // a new command line
  }
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(command_line, &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) {
    bool lost = false;
    args.push_back(ToCodePage(wide[i], &lost));
    if (!lost) continue;
    const std::wstring argument = wide[i];
    NoteLostWords(argument);
    // "--location=VALUE": the value is looked up alone.
    const size_t equals = argument.find(L'=');
    if (argument.compare(0, 2, L"--") == 0 && equals != std::wstring::npos)
      NoteLostWords(argument.substr(equals + 1));
  }
  LocalFree(wide);
  return args;
}

bool FindLostCharacter(const std::string& text, std::string* name) {
  std::lock_guard<std::mutex> hold(LostLock());
  if (LostWords().empty()) return false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    auto it = LostWords().find(text.substr(start, end - start));
    if (it != LostWords().end()) {
      *name = it->second;
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace sorvik
