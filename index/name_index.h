// One name index under construction: a key matrix and a posting file under temporary names in
// the build folder. A chunk of names becomes a NameIndex through two passes over the build's
// text file (count, then fill); chunks are merged pairwise into one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/key_matrix.h"
#include "platform/file.h"

namespace sorvik {

// Receives the build's diagnostic lines (GBK, each ending in a line feed). An empty log drops
// them without formatting them.
using BuildLog = std::function<void(const char* line)>;
// Writes a diagnostic line to standard output.
void StdoutLog(const char* line);

// Cuts a name into the (key, position) pairs an index lists it under, positions 1..128, written
// to `out`; returns their count, at most kMaxKeysPerName.
using NameKeyFunction = uint32_t (*)(const char* name, size_t length, KeyAtPosition* out);
constexpr uint32_t kMaxKeysPerName = initials::kMaxNameKeys;
// The name keys of a name's first 128 bytes, key i at position i + 1 (index.mtr's keys).
uint32_t NameKeysAt(const char* name, size_t length, KeyAtPosition* out);

// Joins a folder and a name with one backslash between them.
std::string JoinBuildPath(const std::string& folder, const std::string& name);

class NameIndex {
 public:
  // An index of the keys `keys` gives for each name.
  NameIndex(const std::string& work_folder, BuildLog log, NameKeyFunction keys = NameKeysAt);
  NameIndex(const NameIndex&) = delete;
  NameIndex& operator=(const NameIndex&) = delete;
  // Closes the posting file, then the matrix (saved when its name count changed).
  ~NameIndex();

  // Picks a temporary name unused in the work folder and opens a new posting file and a new,
  // empty matrix under it. False when either cannot be created.
  bool Create();

  // Counting pass: sets the position bits and counts the ids of each (key, position) of the
  // name, and counts the name.
  void CountName(const char* name, size_t length);
  // Lays the lists out (see KeyMatrix::LayOut) and sizes the posting file to the lists plus 16
  // zero bytes. Returns the size of the lists in bytes.
  uint32_t LayOut();

  // Filling pass over the bytes [from, to) of the posting file: rewinds the fill counters and
  // collects in memory the ids that fall into that window.
  // REQUIRES: LayOut ran; to - from is a multiple of 4 and at most 1 GiB.
  bool BeginFill(uint64_t from, uint64_t to);
  // Places `id` in the list of each (key, position) of the name. REQUIRES: names arrive in
  // ascending id order and in the order they were counted, so that every list ascends.
  void AddName(const char* name, size_t length, uint32_t id);
  // Writes the window to the posting file and releases it.
  bool EndFill();

  // Merges `newer` (whose ids are all larger) into this index, which afterwards holds the union
  // under its own two paths. `newer` is left as it was.
  bool Merge(NameIndex* newer);

  const std::string& MatrixPath() const { return matrix_path_; }
  const std::string& PostingPath() const { return posting_path_; }
  KeyMatrix& Matrix() { return matrix_; }

 private:
  void Log(const char* line) const;
  void MergeBitmaps(NameIndex* newer, KeyMatrix* merged) const;
  bool MergeLists(NameIndex* newer, NameIndex* merged);
  bool Reopen();

  std::string work_folder_;             // the build folder
  std::string matrix_path_;             // work folder + temporary name + "mtr"
  std::string posting_path_;            // work folder + temporary name + "idx"
  BuildLog log_;                        // diagnostic lines
  NameKeyFunction keys_;                // cuts a name into its keys
  std::vector<KeyAtPosition> scratch_;  // the keys of the name at hand
  KeyMatrix matrix_;                    // the key matrix
  std::unique_ptr<WinFile> postings_;   // the posting lists
  uint64_t window_from_ = 0;            // posting file offset of window_[0]
  std::vector<uint32_t> window_;        // ids of the current fill window
  uint32_t lists_bytes_ = 0;            // size of the lists after LayOut
};

struct NameIndexOptions {
  // Bytes of posting lists filled in memory per pass over the names: every pass tokenizes all
  // names again, so one pass for up to 32 million ids; halved when the memory cannot be had.
  uint32_t fill_window = 128u << 20;
  BuildLog log = StdoutLog;           // diagnostic lines
  NameKeyFunction keys = NameKeysAt;  // what the index lists each name under
};

// Builds a NameIndex in `work_folder` from the text file at `text_path`, whose lines are
// "id@name" ended by "\r\n", in ascending id order. Lines without "@" or with nothing after it
// are skipped. Returns null when the index files cannot be created.
std::unique_ptr<NameIndex> BuildNameIndex(const std::string& text_path,
                                          const std::string& work_folder,
                                          const NameIndexOptions& options = NameIndexOptions());

}  // namespace sorvik
