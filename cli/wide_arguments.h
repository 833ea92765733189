// Windows: the command line read as UTF-16 and converted to the code page, so that a character
// the code page cannot hold is known (the ANSI arguments only show "?" for it).
#pragma once

#include <string>
#include <vector>

namespace sorvik {

// The arguments of `command_line` (as GetCommandLineW gives it) without the program name,
// converted to the code page. Every space-separated word that lost a character is remembered
// for FindLostCharacter, with the first character it lost, in place of the words remembered
// from an earlier command line.
std::vector<std::string> ArgumentsFromWide(const wchar_t* command_line);

// Whether a word of `text` (code page, words separated by spaces) is one that lost a character
// in ArgumentsFromWide; `name` then names that character ("U+D55C").
bool FindLostCharacter(const std::string& text, std::string* name);

}  // namespace sorvik
