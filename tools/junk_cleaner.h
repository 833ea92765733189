// Emptying junk folders: every file and sub-folder below a folder is deleted while the folder
// itself stays. Files in use or protected stay without a word, and so do the folders that hold
// them. One path buffer of the system's path limit serves the whole walk.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sorvik {

// A folder is never emptied when its path is shorter than this many bytes (a bare drive root).
constexpr size_t kShortestEmptiedPath = 5;

class JunkCleaner {
 public:
  // `kept`: folders that are never emptied, and neither is any folder that holds one of them.
  explicit JunkCleaner(std::vector<std::string> kept);
  JunkCleaner(const JunkCleaner&) = delete;
  JunkCleaner& operator=(const JunkCleaner&) = delete;

  // The folders the program never empties: the user's profile folder (as the environment and
  // the shell name it) and the Windows and system folders.
  static std::vector<std::string> SystemKeptFolders();

  // From now on only these folders may be emptied (compared as full long paths, without regard
  // to case); empty paths among them are ignored.
  void AllowOnly(const std::vector<std::string>& folders);

  // Whether `path` may be emptied: long enough, no drive or share root, not a device path,
  // neither a kept folder nor one that holds a kept folder, and one of the allowed folders
  // when AllowOnly named some (compared as full long paths, without regard to case).
  bool MayEmpty(const std::string& path) const;

  // Deletes the contents of `path` when MayEmpty allows it. Reparse points (junctions and
  // symbolic links) below it are left alone, never followed, and so is every entry that the
  // system finds somewhere else than its path inside the folder says (a link that does not
  // carry the reparse attribute); entries whose path would not fit the buffer are skipped.
  // Returns how many files and folders were deleted.
  int EmptyFolder(const std::string& path);

 private:
  using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);

  // Whether the entry at path_[0, length) is where its path says: its final path (links
  // resolved) is the emptied folder's final path followed by the rest of path_. True when the
  // system cannot tell final paths.
  bool IsWhereItsPathSays(size_t length) const;
  // The final path of `path` without the "\\?\" prefix; empty when it cannot be had.
  std::string FinalPath(const char* path) const;
  // Empties the folder whose path is the first `length` bytes of path_.
  void EmptyInPlace(size_t length);
  // Deletes one entry found in the folder of path_[0, length).
  void DeleteEntry(size_t length, const WIN32_FIND_DATAA& entry);

  std::vector<std::string> kept_;     // full long paths of the kept folders
  std::vector<std::string> allowed_;  // full long paths of the only folders emptied
  bool restricted_ = false;           // AllowOnly was called
  FinalPathFunction final_path_;      // GetFinalPathNameByHandleA where the system has it
  std::string top_final_;             // the final path of the folder being emptied
  size_t top_length_ = 0;             // its length in path_
  char path_[MAX_PATH] = {0};         // the folder or entry being worked on
  int deleted_ = 0;                   // entries deleted by the current EmptyFolder
};

}  // namespace sorvik
