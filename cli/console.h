// What sorvik-cli does differently on Linux and on Windows: the terminal's text encoding, the
// drive map that stands in for drives on Linux, and where the build's progress texts go.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace sorvik {

// Terminal text to program text (GBK) and back: UTF-8 on Linux, unchanged on Windows.
std::string FromConsole(const std::string& text);
std::string ToConsole(const std::string& text);

// Linux: checks the --drive folders and makes relative ones absolute from the current folder
// (call it before the work folder becomes current); a missing folder, a letter given twice or a
// folder whose path holds a line feed (the drive map is one drive a line) is an error.
// Windows: drives are the system's own; any --drive is an error.
bool CheckDrives(std::vector<std::pair<char, std::string>>* drives, std::string* error);
// Linux: maps `drives`. Windows: nothing.
void MapDrives(const std::vector<std::pair<char, std::string>>& drives);
// Linux: replaces `file` with `drives`, in one step, so that later commands know them; false
// when it could not be written (the old map then stays). One "L:=DIR" line per drive, then the
// line "end:N" with the number of drives, so that a map cut short is known. Windows: nothing.
bool SaveDrives(const std::vector<std::pair<char, std::string>>& drives, const std::string& file);
// Linux: maps the drives saved in `file` by the last index command, as far as they can be read.
// Windows: nothing.
void LoadDrives(const std::string& file);
// Linux: maps the drives saved in `file` for a build that walks them again. False, with the
// reason in `problem` and nothing mapped, when the map is missing, empty, cut short (no end
// line, or not the number of drives it says), damaged, or names a folder that no longer exists:
// a build over fewer drives would drop the missing ones from the index. Windows: true.
bool LoadSavedDrives(const std::string& file, std::string* problem);

// The arguments of this process without the program name, in the terminal encoding. Linux:
// `argv` as given. Windows: the command line read as UTF-16 and converted to the code page
// (cli/wide_arguments.h), so that characters the code page lost are known.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The first character of `text` (terminal encoding) that GBK cannot hold, in `character`; false
// when there is none. Linux: also bytes that are no UTF-8; the character itself is named.
// Windows: the words of the command line that lost a character in CommandLineArguments, the
// character named by its code point ("U+D55C").
bool FindUnrepresentable(const std::string& text, std::string* character);

// Makes sure descriptors 0-2 are open before the program opens anything, so that no file it
// opens becomes its standard output or error. Linux: a closed one is opened on /dev/null, read
// only, so that writing to it still fails as it would have. Windows: nothing (files are opened
// as handles, never as descriptors 0-2).
void EnsureStandardDescriptors();

// The program path `path` (relative to the current folder or full) as the user's system names
// it, in the terminal's encoding, for messages: Linux: absolute, "/" separators.
std::string ShownPath(const std::string& path);

// Whether `file` is a terminal.
bool IsTerminal(FILE* file);

// How often the progress line on a terminal is redrawn while no text comes.
constexpr uint32_t kProgressRefreshMs = 500;

// Shows the build's progress texts on `out` while the object lives (cli/progress_line.h);
// `expected` is the entry count of the last index, 0 when there is none.
class ConsoleProgress {
 public:
  ConsoleProgress(FILE* out, uint32_t expected);
  ~ConsoleProgress();
  ConsoleProgress(const ConsoleProgress&) = delete;
  ConsoleProgress& operator=(const ConsoleProgress&) = delete;

 private:
  struct State;
  State* state_;
};

}  // namespace sorvik
