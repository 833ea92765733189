// Turns a record store into the name index (index.mtr and index.dat) of a build folder, in
// chunks of names that are merged pairwise, so that memory stays bounded however many
// entries there are. Beside it the same chunks give the initials index (index.pym and
// index.pyd: index/initials_format.h) that searches by pinyin initials use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "index/name_index.h"
#include "index/record_store.h"

namespace sorvik {

// Name of the text file that holds one chunk of "id@name" lines while the index is built.
constexpr const char kBuildTextFile[] = "tem_db.txt";
// Names per chunk: a build's peak memory follows the chunk (about 31 bytes a name), and smaller
// chunks cost more merging (1,000,000 entries: 70 MB instead of 83 MB at the same time; 10,000,000
// entries: the name and initials indexes in 33 s instead of 25 s).
constexpr uint32_t kDefaultChunkNames = 500000;

class ChunkText;

class IndexBuilder {
 public:
  IndexBuilder() = default;
  IndexBuilder(const IndexBuilder&) = delete;
  IndexBuilder& operator=(const IndexBuilder&) = delete;
  ~IndexBuilder() = default;

  // The folder that receives index.mtr and index.dat; it is created here.
  void SetWorkFolder(const std::string& folder);
  // The records to index, scanned in ascending id order (not owned).
  void SetRecordSource(RecordStore* source) { source_ = source; }
  // Names per chunk (at least 1) and bytes of posting lists filled in memory per pass.
  void SetChunkNames(uint32_t names) { chunk_names_ = names == 0 ? 1 : names; }
  void SetFillWindow(uint32_t bytes) { options_.fill_window = bytes; }
  void SetLog(BuildLog log) { options_.log = std::move(log); }
  // Whether the initials index is built too (by default it is).
  void SetInitials(bool build) { with_initials_ = build; }

  // Builds the name index of every record into the work folder, and the initials index when
  // asked. False when no work folder was set, or when a chunk could not be built or merged; the
  // folder then receives no index.mtr and no index.dat. Without any record it receives an empty
  // pair: index.mtr of version 100 and 0 names, and an empty index.dat.
  bool Build();

 private:
  // The name index and the initials index built so far (null before the first chunk).
  struct Indexes {
    std::unique_ptr<NameIndex> names;
    std::unique_ptr<NameIndex> initials;
  };

  // Writes a line per record; every chunk_names_ lines become a chunk added to `all`.
  bool ScanRecords(ChunkText* text, Indexes* all, uint32_t* in_chunk);
  // Builds the text file's chunk and merges it into `all` (or makes it `all`).
  bool AddChunk(Indexes* all, const char* merge_line);
  bool AddChunkOf(const NameIndexOptions& options, std::unique_ptr<NameIndex>* all,
                  const char* merge_line);
  bool Finish(Indexes all);
  // Moves `index` to its final names in the work folder, or writes an empty pair there.
  bool Place(std::unique_ptr<NameIndex> index, const char* matrix_name, const char* posting_name);
  static void Discard(std::unique_ptr<NameIndex> index);  // closes it and deletes its files
  void Log(const char* line) const;

  std::string work_folder_;                    // folder of the result, as set
  RecordStore* source_ = nullptr;              // records to index
  uint32_t chunk_names_ = kDefaultChunkNames;  // names per chunk
  NameIndexOptions options_;                   // fill window and diagnostic log
  bool with_initials_ = true;                  // whether the initials index is built
};

// The value of the record text's "I" line (the entry's name), read by the same rules as a
// parsed record: lines up to the first empty one, the key before the first ":", the last
// repeated key wins. Empty when there is none.
void RecordName(const char* text, uint32_t length, const char** name, uint32_t* name_length);

}  // namespace sorvik
