#include "index/name_index.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "index/name_index_io.h"
#include "index/name_keys.h"
#include "platform/fs.h"

namespace sorvik {

using namespace names;

namespace {

constexpr uint32_t kTextBuffer = 1 << 20;     // read-ahead of the text file
constexpr uint32_t kMergeBuffer = 4 << 20;    // per posting file read or written while merging
constexpr uint32_t kCopyIds = 1 << 20;        // ids moved per copy while merging
constexpr uint64_t kMinFillWindow = 1 << 20;  // smallest fill window tried before giving up

// Copies `count` ids at `offset` of one posting file to the writer; what cannot be read is
// written as zeros, so that the merged layout stays as the cells say.
void CopyList(BlockReader* reader, uint32_t offset, uint32_t count, BlockWriter* writer,
              std::vector<uint32_t>* buffer) {
  uint64_t at = offset;
  while (count > 0) {
    uint32_t n = std::min<uint32_t>(count, static_cast<uint32_t>(buffer->size()));
    uint32_t got = reader->Read(at, buffer->data(), n * kIdBytes);
    if (got < n * kIdBytes)
      std::memset(reinterpret_cast<uint8_t*>(buffer->data()) + got, 0, n * kIdBytes - got);
    writer->Put(buffer->data(), n * kIdBytes);
    at += uint64_t{n} * kIdBytes;
    count -= n;
  }
}

constexpr uint32_t kCellLineBytes = 48;

// Writes the decimal digits of `value` at `out`; returns the end.
char* PutDecimal(char* out, uint32_t value) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) *out++ = digits[--n];
  return out;
}

// The merge's line for one cell, "合并矩阵<key>--<position>\n", formatted without the
// overhead of printf: a merge writes one for each of its 8 million cells.
const char* CellLine(uint32_t key, uint32_t position, char out[kCellLineBytes]) {
  static const char kHead[] = "合并矩阵";
  std::memcpy(out, kHead, sizeof kHead - 1);
  char* at = PutDecimal(out + sizeof kHead - 1, key);
  *at++ = '-';
  *at++ = '-';
  at = PutDecimal(at, position);
  *at++ = '\n';
  *at = '\0';
  return out;
}

// One used line of the text file: the id before the first "@" and the name after it, without
// the line's last character (the carriage return).
bool SplitLine(const char* line, uint32_t length, uint32_t* id, const char** name,
               uint32_t* name_length) {
  const char* at = static_cast<const char*>(std::memchr(line, '@', length));
  if (at == nullptr) return false;
  uint32_t head = static_cast<uint32_t>(at - line);
  if (head + 1 >= length) return false;  // nothing follows the "@"
  uint32_t value = 0;
  for (uint32_t i = 0; i < head && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint32_t>(line[i] - '0');
  }
  *id = value;
  *name = at + 1;
  *name_length = length - 1 - (head + 1);
  return true;
}

template <typename Visit>
void ForEachName(LineReader* lines, Visit visit) {
  const char* line = nullptr;
  uint32_t length = 0;
  while (lines->Next(&line, &length)) {
    uint32_t id = 0, name_length = 0;
    const char* name = nullptr;
    if (SplitLine(line, length, &id, &name, &name_length)) visit(id, name, name_length);
  }
}

// Starts the fill pass at `from`; a window the process cannot have is halved, down to
// kMinFillWindow, before the build gives up.
bool BeginFillShrinking(NameIndex* index, uint64_t from, uint64_t total, uint64_t* window) {
  while (!index->BeginFill(from, std::min(from + *window, total))) {
    if (*window <= kMinFillWindow) return false;
    *window = std::max<uint64_t>(*window / 2 / kIdBytes * kIdBytes, kMinFillWindow);
  }
  return true;
}

}  // namespace

void StdoutLog(const char* line) { std::fputs(line, stdout); }

uint32_t NameKeysAt(const char* name, size_t length, KeyAtPosition* out) {
  uint32_t keys[kMaxNameKeys];
  uint32_t limit = static_cast<uint32_t>(std::min<size_t>(length, kMaxPosition));
  uint32_t count = std::min(TokenizeName(name, length, limit, keys), kMaxPosition);
  for (uint32_t i = 0; i < count; ++i) out[i] = KeyAtPosition{keys[i], i + 1};
  return count;
}

std::string JoinBuildPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

NameIndex::NameIndex(const std::string& work_folder, BuildLog log, NameKeyFunction keys)
    : work_folder_(work_folder), log_(std::move(log)), keys_(keys), scratch_(kMaxKeysPerName) {}

NameIndex::~NameIndex() {
  postings_.reset();
  matrix_.Close();
}

void NameIndex::Log(const char* line) const {
  if (log_) log_(line);
}

bool NameIndex::Create() {
  static std::atomic<uint32_t> counter{0};
  for (;;) {
    std::string stem = JoinBuildPath(work_folder_, "~names" + std::to_string(++counter) + ".");
    matrix_path_ = stem + "mtr";
    posting_path_ = stem + "idx";
    if (!PathExists(matrix_path_) && !PathExists(posting_path_)) break;
  }
  postings_ = OpenWinFile(posting_path_, kOpenAlways);
  return postings_ != nullptr && matrix_.Open(matrix_path_);
}

void NameIndex::CountName(const char* name, size_t length) {
  KeyAtPosition* keys = scratch_.data();
  uint32_t count = keys_(name, length, keys);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t bit = keys[i].position - 1;
    matrix_.Bits(keys[i].key)[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    matrix_.Cell(keys[i].key, keys[i].position).value += 1;
  }
  matrix_.SetNameCount(matrix_.NameCount() + 1);
}

uint32_t NameIndex::LayOut() {
  lists_bytes_ = matrix_.LayOut();
  postings_->SetSize(uint64_t{lists_bytes_} + kPostingPadding);
  return lists_bytes_;
}

bool NameIndex::BeginFill(uint64_t from, uint64_t to) {
  matrix_.ResetFillCounters();
  window_from_ = from;
  try {
    window_.assign(static_cast<size_t>((to - from) / kIdBytes), 0);
  } catch (const std::exception&) {  // no room for the window in this process
    window_.clear();
    return false;
  }
  return true;
}

void NameIndex::AddName(const char* name, size_t length, uint32_t id) {
  KeyAtPosition* keys = scratch_.data();
  uint32_t count = keys_(name, length, keys);
  for (uint32_t i = 0; i < count; ++i) {
    MatrixCell* cell = matrix_.Find(keys[i].key, keys[i].position);
    if (cell == nullptr) continue;  // a name that was not counted has no place to go
    uint64_t at = cell->offset + uint64_t{kIdBytes} * cell->value;
    cell->value += 1;
    if (at >= window_from_ && (at - window_from_) / kIdBytes < window_.size()) {
      window_[static_cast<size_t>((at - window_from_) / kIdBytes)] = id;
    }
  }
}

bool NameIndex::EndFill() {
  uint32_t bytes = static_cast<uint32_t>(window_.size() * kIdBytes);
  bool ok = bytes == 0 || postings_->WriteAt(window_from_, window_.data(), bytes) == bytes;
  std::vector<uint32_t>().swap(window_);
  return ok;
}

void NameIndex::MergeBitmaps(NameIndex* newer, KeyMatrix* merged) const {
  // Key 0 comes last, after 1..65535, here as in the lists.
  for (uint32_t k = 1; k <= kKeyCount; ++k) {
    uint32_t key = k & kKeyMask;
    const uint8_t* a = matrix_.Bits(key);
    const uint8_t* b = newer->matrix_.Bits(key);
    uint8_t* out = merged->Bits(key);
    for (uint32_t i = 0; i < kBitmapBytes; ++i) out[i] = a[i] | b[i];
  }
}

bool NameIndex::MergeLists(NameIndex* newer, NameIndex* merged) {
  BlockReader older_lists(postings_.get(), kMergeBuffer);
  BlockReader newer_lists(newer->postings_.get(), kMergeBuffer);
  BlockWriter out(merged->postings_.get(), 0, kMergeBuffer);
  std::vector<uint32_t> buffer(kCopyIds);
  KeyMatrix& m = merged->matrix_;
  uint64_t key_start = 0;
  char line[kCellLineBytes];
  for (uint32_t k = 1; k <= kKeyCount; ++k) {
    uint32_t key = k & kKeyMask;
    bool any = matrix_.CellCount(key) > 0 || newer->matrix_.CellCount(key) > 0;
    for (uint32_t p = 1; p <= kMaxPosition; ++p) {
      if (log_) log_(CellLine(k, p, line));
      if (!any) continue;
      MatrixCell a = matrix_.Lookup(key, p), b = newer->matrix_.Lookup(key, p);
      uint64_t count = uint64_t{a.value} + b.value;
      // Lists that would end beyond the 4 GiB that 32-bit offsets reach are left out.
      if (count == 0 || out.Position() + count * kIdBytes > 0xFFFFFFFFu) continue;
      uint32_t at = static_cast<uint32_t>(out.Position());
      CopyList(&older_lists, a.offset, a.value, &out, &buffer);
      CopyList(&newer_lists, b.offset, b.value, &out, &buffer);
      m.SetCell(key, p, at, static_cast<uint32_t>(count));
    }
    if (out.Position() != key_start) {
      m.SetCell(key, kSummaryPosition, static_cast<uint32_t>(key_start),
                static_cast<uint32_t>(out.Position() - key_start));
      key_start = out.Position();
    }
  }
  if (!out.Flush()) return false;
  // The same length as one build over all names: the lists and 16 zero bytes. (The pre-size of
  // 4 bytes per name only reserves room; a file shorter or longer than this would differ.)
  merged->postings_->SetSize(out.Position() + kPostingPadding);
  return true;
}

bool NameIndex::Merge(NameIndex* newer) {
  NameIndex merged(work_folder_, log_, keys_);
  if (!merged.Create()) return false;
  Log("正在合并位图...\n");
  MergeBitmaps(newer, &merged.matrix_);
  uint32_t names = matrix_.NameCount() + newer->matrix_.NameCount();
  merged.matrix_.SetNameCount(names);
  merged.postings_->SetSize(uint64_t{names} * kIdBytes + kPostingPadding);
  bool ok = MergeLists(newer, &merged);
  postings_.reset();
  matrix_.Close();
  merged.postings_.reset();
  merged.matrix_.Close();
  RemoveFile(matrix_path_);
  RemoveFile(posting_path_);
  ok = RenamePath(merged.matrix_path_, matrix_path_) && ok;
  ok = RenamePath(merged.posting_path_, posting_path_) && ok;
  return Reopen() && ok;
}

bool NameIndex::Reopen() {
  if (!matrix_.Open(matrix_path_)) return false;
  postings_ = OpenWinFile(posting_path_, kOpenAlways);
  return postings_ != nullptr;
}

std::unique_ptr<NameIndex> BuildNameIndex(const std::string& text_path,
                                          const std::string& work_folder,
                                          const NameIndexOptions& options) {
  std::unique_ptr<NameIndex> index(new NameIndex(work_folder, options.log, options.keys));
  if (!index->Create()) return nullptr;
  std::unique_ptr<WinFile> text = OpenWinFile(text_path, kOpenExisting);
  if (!text) return index;
  LineReader lines(text.get(), kTextBuffer);
  ForEachName(&lines,
              [&](uint32_t, const char* name, uint32_t length) { index->CountName(name, length); });
  uint64_t total = index->LayOut();
  uint64_t window = std::max<uint32_t>(options.fill_window / kIdBytes, 1) * uint64_t{kIdBytes};
  // Each pass fills one window of the posting file in memory and writes it in one piece.
  for (uint64_t from = 0; from < total; from += window) {
    if (!BeginFillShrinking(index.get(), from, total, &window)) {
      std::string matrix = index->MatrixPath(), postings = index->PostingPath();
      index.reset();
      RemoveFile(matrix);
      RemoveFile(postings);
      return nullptr;
    }
    lines.Rewind();
    ForEachName(&lines, [&](uint32_t id, const char* name, uint32_t length) {
      index->AddName(name, length, id);
    });
    index->EndFill();
  }
  return index;
}

}  // namespace sorvik
