#include "index/index_builder.h"

#include <cstdio>
#include <cstring>

#include "index/initials_format.h"
#include "index/name_index_format.h"
#include "index/name_index_io.h"
#include "platform/fs.h"
#include "text/gbk_text.h"

namespace sorvik {

namespace {

constexpr uint32_t kTextBuffer = 1 << 20;  // bytes of text lines written per call

// Opens `path` as an empty file.
std::unique_ptr<WinFile> OpenEmpty(const std::string& path) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  if (file) file->SetSize(0);
  return file;
}

// Everything up to and including the path's last backslash (a backslash is added when there is
// none) followed by `name`.
std::string Sibling(const std::string& path, const char* name) {
  const size_t slash = GbkLastBackslash(path);
  std::string folder = slash == std::string::npos ? path + "\\" : path.substr(0, slash + 1);
  return folder + name;
}

}  // namespace

// The text file of one chunk: "id@name" lines. Lines end in "\r\n" whatever the platform,
// because the passes over the file drop the last character of every line.
class ChunkText {
 public:
  explicit ChunkText(std::string path) : path_(std::move(path)) {}
  // Opens the file empty for a new chunk.
  bool Start() {
    Close();
    file_ = OpenEmpty(path_);
    if (file_) out_.reset(new BlockWriter(file_.get(), 0, kTextBuffer));
    return file_ != nullptr;
  }
  void Put(uint32_t id, const char* name, uint32_t length) {
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%u@", id);
    out_->Put(digits, static_cast<uint32_t>(n));
    out_->Put(name, length);
    out_->Put("\r\n", 2);
  }
  // Writes what is buffered and closes the file.
  void Close() {
    out_.reset();
    file_.reset();
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;                  // work folder + "tem_db.txt"
  std::unique_ptr<WinFile> file_;     // the open file
  std::unique_ptr<BlockWriter> out_;  // buffered lines
};

void RecordName(const char* text, uint32_t length, const char** name, uint32_t* name_length) {
  *name = text;
  *name_length = 0;
  ForEachRecordField(text, length,
                     [name, name_length](const char* key, uint32_t key_length, const char* value,
                                         uint32_t value_length) {
                       if (key_length == 1 && key[0] == 'I') {
                         *name = value;
                         *name_length = value_length;
                       }
                     });
}

void IndexBuilder::SetWorkFolder(const std::string& folder) {
  work_folder_ = folder;
  if (!folder.empty()) CreateFolder(folder);
}

void IndexBuilder::Log(const char* line) const {
  if (options_.log) options_.log(line);
}

bool IndexBuilder::Build() {
  if (work_folder_.empty()) {
    Log("not set work direction\n");
    return false;
  }
  ChunkText text(JoinBuildPath(work_folder_, kBuildTextFile));
  Indexes all;
  uint32_t in_chunk = 1;  // number the next line gets within its chunk
  bool ok = text.Start() && ScanRecords(&text, &all, &in_chunk);
  text.Close();
  if (ok && in_chunk >= 2) ok = AddChunk(&all, "正在执行合并....\n");
  RemoveFile(text.Path());
  if (!ok) {
    // An incomplete name index must not look usable: no index.mtr or index.dat is written.
    Discard(std::move(all.names));
    Discard(std::move(all.initials));
    return false;
  }
  return Finish(std::move(all));
}

bool IndexBuilder::ScanRecords(ChunkText* text, Indexes* all, uint32_t* in_chunk) {
  RecordCursor* cursor = source_ ? source_->Begin() : nullptr;
  while (cursor != nullptr && cursor->Next()) {
    const char* record = nullptr;
    const char* name = nullptr;
    uint32_t length = 0, name_length = 0;
    if (!source_->ReadText(cursor->CurrentId(), &record, &length)) length = 0;
    RecordName(record, length, &name, &name_length);
    text->Put(cursor->CurrentId(), name, name_length);
    if (*in_chunk < chunk_names_) {
      ++*in_chunk;
      continue;
    }
    text->Close();
    bool ok = AddChunk(all, "正在合并....\n");
    RemoveFile(text->Path());
    *in_chunk = 1;
    if (!ok || !text->Start()) return false;
  }
  return true;
}

void IndexBuilder::Discard(std::unique_ptr<NameIndex> index) {
  if (!index) return;
  std::string matrix = index->MatrixPath(), postings = index->PostingPath();
  index.reset();
  RemoveFile(matrix);
  RemoveFile(postings);
}

bool IndexBuilder::AddChunk(Indexes* all, const char* merge_line) {
  if (!AddChunkOf(options_, &all->names, merge_line)) return false;
  if (!with_initials_) return true;
  NameIndexOptions initials = options_;
  initials.keys = InitialsKeys;
  initials.log = BuildLog();  // the diagnostic lines stay those of the name index
  return AddChunkOf(initials, &all->initials, merge_line);
}

bool IndexBuilder::AddChunkOf(const NameIndexOptions& options, std::unique_ptr<NameIndex>* all,
                              const char* merge_line) {
  std::string text_path = JoinBuildPath(work_folder_, kBuildTextFile);
  std::unique_ptr<NameIndex> chunk = BuildNameIndex(text_path, work_folder_, options);
  if (!chunk) return false;
  if (!*all) {
    *all = std::move(chunk);
    return true;
  }
  if (options.log) Log(merge_line);
  bool ok = (*all)->Merge(chunk.get());
  Discard(std::move(chunk));
  return ok;
}

bool IndexBuilder::Finish(Indexes all) {
  bool ok = Place(std::move(all.names), names::kMatrixFile, names::kPostingFile);
  if (!with_initials_) return ok;
  return Place(std::move(all.initials), initials::kMatrixFile, initials::kPostingFile) && ok;
}

bool IndexBuilder::Place(std::unique_ptr<NameIndex> index, const char* matrix_name,
                         const char* posting_name) {
  std::string matrix_target = JoinBuildPath(work_folder_, matrix_name);
  std::string posting_target = JoinBuildPath(work_folder_, posting_name);
  if (index) {
    matrix_target = Sibling(index->MatrixPath(), matrix_name);
    posting_target = Sibling(index->PostingPath(), posting_name);
  }
  RemoveFile(matrix_target);
  RemoveFile(posting_target);
  if (!index) {
    // No record at all: an empty but valid pair, so that the folder holds a usable index.
    KeyMatrix empty;
    bool ok = empty.Open(matrix_target);
    empty.Close();
    return OpenEmpty(posting_target) != nullptr && ok;
  }
  std::string matrix = index->MatrixPath(), postings = index->PostingPath();
  index.reset();  // saves the matrix
  bool ok = RenamePath(matrix, matrix_target);
  return RenamePath(postings, posting_target) && ok;
}

}  // namespace sorvik
