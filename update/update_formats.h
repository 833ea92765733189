// The three texts that arrive from the update server, read by plain functions over bytes: the
// decrypted notice body, the version answer and the update list. Everything here treats its
// input as hostile: sizes are capped, lines may be endless, targets may try to climb out of the
// program and system folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

constexpr char kNoticePath[] = "/ads/Tarnel/advertising.txt";
constexpr char kVersionCheckPath[] = "/update/Tarnel/checkVersion.asp?version=%d";
constexpr char kUpdateListPath[] = "/update/Tarnel/update.txt";
constexpr char kAppPlaceholder[] = "%AppPath%";
constexpr char kSystemPlaceholder[] = "%SystemRoot%";

// Caps on what is read from the server; anything larger is refused whole.
constexpr size_t kMaxNoticeFileBytes = 256 * 1024;  // the encrypted notice file
constexpr size_t kMaxNoticeLines = 1000;            // notices kept from one body
constexpr size_t kMaxVersionAnswerBytes = 4096;     // read of the version answer
constexpr size_t kMaxUpdateListBytes = 256 * 1024;  // the update list
constexpr size_t kMaxUpdateEntries = 1000;          // entries of one list
constexpr size_t kMaxLocalPath = 259;               // a path that fits the system's path buffers

// Whether a downloaded notice file of `size` bytes is long enough to hold a body and its
// 16-byte digest: more than 19 bytes.
inline bool NoticeFileLongEnough(uint64_t size) { return size > 19; }

// The notice lines of a decrypted body: split at "\n", every line longer than 3 bytes kept as it
// is (a "\r" before the "\n" stays), at most kMaxNoticeLines.
std::vector<std::string> ParseNoticeLines(const std::string& body);

// Whether the first word of the answer (leading white space skipped, up to the next white
// space) is exactly "ok".
bool VersionAnswerSaysOk(const std::string& answer);

// One line of the update list.
struct UpdateEntry {
  std::string target;         // with "%AppPath%" or "%SystemRoot%"
  std::string register_flag;  // "1": listed in the registration file
  std::string signature;      // upper-case hex signature of the new file
  std::string url;            // where the new file is downloaded from
};

// The entries of an update list: lines split at "\n" with a trailing "\r" dropped; every line
// longer than 3 bytes holds four fields separated by "," (the URL is the rest of the line, with
// every "\r" and "\n" removed). False when a line has fewer than four fields or the list has
// more than kMaxUpdateEntries entries: such a list is not used at all.
bool ParseUpdateList(const std::string& text, std::vector<UpdateEntry>* entries);

// Where an entry's file belongs and where it is staged.
struct TargetPaths {
  std::string local;   // the final path
  std::string staged;  // below the staging folder
};

// Expands `target`: it must start with "%AppPath%\" or "%SystemRoot%\" followed by a relative
// path of plain names (no "." or ".." component, no ":", no "/", no empty component, no further
// placeholder), and the result must fit kMaxLocalPath. `program` and `system` carry no trailing
// backslash; `staging` is the staging folder. False for any other target: the update stops.
bool ExpandTarget(const std::string& target, const std::string& program, const std::string& system,
                  const std::string& staging, TargetPaths* paths);

// The registration file: the program's path, then the final path of every entry whose register
// flag is "1", in list order, each ended by "\n".
std::string RegistrationText(const std::string& program_path,
                             const std::vector<std::string>& registered);

}  // namespace sorvik
