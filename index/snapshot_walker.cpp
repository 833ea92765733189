#include "index/snapshot_walker.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <utility>

#include "index/folder_lister.h"
#include "platform/file_faults.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "text/coding.h"

namespace sorvik {

using namespace snapshot;

namespace {

// Progress texts of the walk.
constexpr char kPreparingText[] = "正准备获取文件快照.....\n";
constexpr char kWalkingText[] = "正在获取文件快照：\n";

// A folder whose path holds kSkippedParent + "\\" + kSkippedChild (the browser's cache) is
// recorded but not walked.
constexpr char kSkippedParent[] = "Local Settings";
constexpr char kSkippedChild[] = "Temporary Internet Files";

// Month-code slot (and month list) of a category: slot 0 is all entries, slot 1 folders, and the
// file categories 2..5 keep their numbers. The hidden bitmap has no slot.
// Why the build folder's file `path` could not be made.
Status CannotCreate(const std::string& path) {
  return Status::IOError("cannot create " + path + ": " + SystemErrorText(LastSystemError()));
}

int SlotOf(int category) { return category == kFolders ? 1 : category; }

constexpr uint32_t kMonthCodeBufferBytes = 64 * 1024;  // month codes written per flush
constexpr uint32_t kRecordBufferBytes = 1024 * 1024;   // record texts written per flush
constexpr uint32_t kMonthValues = 65536;               // possible u16 month codes

}  // namespace

SnapshotWalker::SnapshotWalker(const std::string& build_folder) : folder_(build_folder) {
  while (folder_.size() > 1 && folder_.back() == '\\') folder_.pop_back();
  path_[0] = '\0';
  record_.reserve(kRecordBufferSize);
  rw_pending_.reserve(kMonthCodeBufferBytes);
  for (MonthList& list : month_lists_) list.present.reset(new uint64_t[kMonthValues / 64]());
}

std::unique_ptr<SnapshotWalker> SnapshotWalker::Open(const std::string& build_folder,
                                                     uint32_t settle_ms, Status* status) {
  std::unique_ptr<SnapshotWalker> walker(new SnapshotWalker(build_folder));
  Status prepared = walker->Prepare(settle_ms);
  if (status != nullptr) *status = prepared;
  if (!prepared.ok()) return nullptr;
  return walker;
}

Status SnapshotWalker::Prepare(uint32_t settle_ms) {
  // 1. The build year.
  LocalTime now;
  current_year_ = LocalNow(&now) ? now.year : 0;

  // 2. A fresh build folder. Leftovers that the delete could not remove are removed one by one
  // and, should that fail too, refused below rather than appended to.
  DeleteFolderTree(folder_);
  SleepMs(settle_ms);
  CreateFolder(folder_);
  const std::string base = folder_ + "\\";
  for (const char* name : {kMonthFile, kCategoryFile, kFolderFile}) RemoveFile(base + name);
  RemoveFile(base + kRecordFile);
  RemoveFile(base + kRecordFile + kOffsetSuffix);

  // 3. index.rw: 3000 zero bytes for the six month slots; the per-entry codes follow.
  rw_file_ = OpenWinFile(base + kMonthFile, kOpenAlways);
  if (!rw_file_) return CannotCreate(base + kMonthFile);
  rw_file_->SetSize(0);
  std::vector<uint8_t> zeros(kMonthFileZeroBytes, 0);
  rw_file_->WriteAt(0, zeros.data(), kMonthFileZeroBytes);
  rw_next_offset_ = kMonthFileZeroBytes;
  // 4. The record store. 5. index.dm.
  if (!store_.Open(base + kRecordFile) || store_.Count() != 0 ||
      store_.EndOffset() != kFirstRecordOffset) {
    return CannotCreate(base + kRecordFile);
  }
  store_.BufferAppends(kRecordBufferBytes);
  dm_file_ = OpenWinFile(base + kFolderFile, kOpenAlways);
  if (!dm_file_) return CannotCreate(base + kFolderFile);
  dm_file_->SetSize(0);
  ready_ = true;

  SetWalkedEntries(0);
  // 6. The first-build dialog, looked up once.
  progress_window_ = FindProgressWindow();
  if (progress_window_ != 0) PostProgress(kPreparingText);
  return Status::Ok();
}

SnapshotWalker::~SnapshotWalker() { Finish(); }

void SnapshotWalker::PostProgress(const std::string& text) {
  message_ = text;
  // A failed post (the dialog closed meanwhile) is silent; the copy is freed by the seam.
  PostProgressText(progress_window_, message_);
}

uint32_t SnapshotWalker::WalkRoot(const std::string& root) {
  if (!ready_) return 0;
  folder_records_ += 1;
  const uint32_t record = folder_records_;
  if (last_root_record_ != 0) {
    SetSibling(last_root_record_, record);
  }
  uint8_t name_field[4] = {0, 0, 0, 0};
  std::memcpy(name_field, root.data(), std::min<size_t>(4, root.size()));
  uint32_t first_child = 0, count = 0;
  // A root text that does not fit the path limit is recorded and not walked.
  if (!root.empty() && root.size() <= kMaxWalkedPath && root.find('\0') == std::string::npos) {
    std::memcpy(path_, root.data(), root.size());
    path_[root.size()] = '\0';
    walk_ = FindPath{root, false};
    if (!lister_ || lister_threads_ != lister_->Threads()) {
      lister_.reset(new FolderLister(lister_threads_));
    }
    count = WalkFolder(static_cast<uint32_t>(root.size()), 0, &first_child);
    lister_->Drop();  // folders asked for and never entered (the store was full)
  }
  uint32_t first = 0;
  std::memcpy(&first, name_field, 4);  // the raw bytes, written back as they are
  WriteFolderRecord(record, first, 0, first_child, count);
  last_root_record_ = record;
  SetWalkedEntries(entry_count_);
  return count;
}

uint32_t SnapshotWalker::WalkFolder(uint32_t path_length, uint32_t parent_id,
                                    uint32_t* first_child) {
  *first_child = 0;
  const FolderListing listing = lister_->Take(walk_);
  SubFolders below = SubFoldersOf(listing, path_length);
  lister_->Ahead(below.paths);
  size_t next_below = 0;  // the first of `below` not yet passed

  uint32_t total = 0;
  uint32_t previous_sub_folder = 0;  // record number of the last sub-folder met here
  LocalTime local;
  FindRecord entry;
  for (size_t i = 0; i < listing.Count(); ++i) {
    listing.Get(i, &entry);
    if (entries_seen_ % kProgressEvery == 0) {
      SetWalkedEntries(entry_count_);
      if (progress_window_ != 0 && path_length > 4) {
        PostProgress(kWalkingText + std::string(path_, path_length));
      }
    }
    entries_seen_ += 1;
    if (SkipsResult(entry)) continue;
    const char* name = entry.name;
    const bool is_folder = (entry.attributes & kAttributeDirectory) != 0;
    const uint32_t name_length = static_cast<uint32_t>(std::strlen(name));

    record_.assign("I:", 2);
    record_.append(name, name_length);
    record_.append("\nM:", 3);
    AppendTime(entry, &local);
    record_.append("\nD:", 3);
    if (is_folder || parent_id == 0) {
      record_.append(path_, path_length);
    } else {
      AppendDecimal(&record_, parent_id);
    }
    if (is_folder) {
      record_.append("\nS:-1\n", 6);
    } else {
      record_.append("\nS:", 3);
      AppendHex(&record_, entry.size);
      record_.push_back('\n');
    }
    const uint32_t id = store_.Append(record_);
    if (id == 0) continue;  // the store is full (4 GiB): nothing more can be recorded
    entry_count_ = id;
    total += 1;
    ClassifyEntry(entry, local, id);
    if (!is_folder) continue;

    folder_records_ += 1;
    const uint32_t folder_record = folder_records_;
    uint32_t entries_below = 0, child = 0;
    while (next_below < below.at.size() && below.at[next_below] < i) ++next_below;
    if (next_below < below.at.size() && below.at[next_below] == i) {
      const uint32_t sub_length = path_length + 1 + name_length;
      path_[path_length] = '\\';
      std::memcpy(path_ + path_length + 1, name, name_length + 1);
      std::swap(walk_, below.paths[next_below]);
      entries_below = WalkFolder(sub_length, id, &child);
      std::swap(walk_, below.paths[next_below]);
      path_[path_length] = '\0';
    }
    total += entries_below;
    WriteFolderRecord(folder_record, id, 0, child, entries_below);
    if (previous_sub_folder == 0) {
      *first_child = folder_record;
    } else {
      SetSibling(previous_sub_folder, folder_record);
    }
    previous_sub_folder = folder_record;
  }
  return total;
}

bool SnapshotWalker::Descends(const FindRecord& entry, uint32_t path_length,
                              FindPath* sub_path) const {
  // Reparse points (junctions, symbolic links) are recorded but not followed, and so are
  // left-out folders, folders whose path would pass kMaxWalkedPath and the browser's cache.
  // A folder whose name lost characters is listed through the way the seam found to it (its
  // short, wide or native name), while the records below it keep the name as the code page
  // shows it.
  if ((entry.attributes & kAttributeDirectory) == 0 ||
      (entry.attributes & kAttributeReparsePoint) != 0 || SkipsResult(entry)) {
    return false;
  }
  const size_t name_length = std::strlen(entry.name);
  if (path_length + 1 + name_length > kMaxWalkedPath || LeftOut(path_length, entry.name) ||
      EntersSkippedFolder(path_length, entry.name)) {
    return false;
  }
  return JoinFindPath(walk_, entry, sub_path);
}

bool SnapshotWalker::EntersSkippedFolder(uint32_t path_length, const char* name) const {
  // The folder being walked does not hold the text (it would not be walked), and a name holds
  // no backslash: the text can only end in `name`, its backslash the one between them.
  const size_t parent = std::strlen(kSkippedParent);
  return path_length >= parent &&
         std::memcmp(path_ + path_length - parent, kSkippedParent, parent) == 0 &&
         std::strncmp(name, kSkippedChild, std::strlen(kSkippedChild)) == 0;
}

SnapshotWalker::SubFolders SnapshotWalker::SubFoldersOf(const FolderListing& listing,
                                                        uint32_t path_length) const {
  SubFolders below;
  FindRecord entry;
  for (size_t i = 0; i < listing.Count(); ++i) {
    if ((listing.Attributes(i) & kAttributeDirectory) == 0) continue;
    listing.Get(i, &entry);
    FindPath sub_path;
    if (!Descends(entry, path_length, &sub_path)) continue;
    below.at.push_back(i);
    below.paths.push_back(std::move(sub_path));
  }
  return below;
}

bool SnapshotWalker::LeftOut(uint32_t path_length, const char* name) const {
  if (exclusion_.empty()) return false;
  return exclusion_.LeavesOut(std::string(path_, path_length) + "\\" + name, name);
}

void SnapshotWalker::AppendTime(const FindRecord& record, LocalTime* local) {
  int64_t minute_seconds = -1;
  if (!FileTimeToLocalMinute(record.last_write, local, &minute_seconds)) {
    // Not convertible: treated like the earliest time, which is out of range.
    *local = LocalTime{1601, 1, 1, 1, 0, 0, 0, 0};
    minute_seconds = -1;
  }
  int code_year = 0;
  AppendTimeText(&record_, *local, current_year_, minute_seconds, &code_year);
  local->year = static_cast<uint16_t>(code_year);
}

void SnapshotWalker::ClassifyEntry(const FindRecord& record, const LocalTime& local, uint32_t id) {
  const uint16_t code = MonthCode(local.year, local.month);
  AddMonth(0, code);
  WriteMonthCode(code);
  if ((record.attributes & kAttributeDirectory) != 0) {
    category_bits_[kFolders].Set(id);
    AddMonth(SlotOf(kFolders), code);
  } else {
    int category = CategoryOfName(record.name);
    if (category >= 0) {
      category_bits_[category].Set(id);
      AddMonth(SlotOf(category), code);
    }
  }
  if ((record.attributes & kAttributeHidden) != 0) category_bits_[kHidden].Set(id);
}

void SnapshotWalker::AddMonth(int list, uint16_t code) {
  MonthList& months = month_lists_[list];
  uint64_t& word = months.present[code / 64];
  const uint64_t bit = uint64_t{1} << (code % 64);
  if ((word & bit) != 0) return;
  word |= bit;
  months.codes.push_back(code);
}

void SnapshotWalker::WriteMonthCode(uint16_t code) {
  uint8_t bytes[2];
  EncodeFixed16(bytes, code);
  rw_pending_.insert(rw_pending_.end(), bytes, bytes + 2);
  if (rw_pending_.size() >= kMonthCodeBufferBytes) FlushMonthCodes();
}

void SnapshotWalker::FlushMonthCodes() {
  if (rw_pending_.empty()) return;
  rw_file_->WriteAt(rw_next_offset_, rw_pending_.data(), static_cast<uint32_t>(rw_pending_.size()));
  rw_next_offset_ += rw_pending_.size();
  rw_pending_.clear();
}

void SnapshotWalker::WriteFolderRecord(uint32_t number, uint32_t first, uint32_t sibling,
                                       uint32_t child, uint32_t count) {
  const size_t at = static_cast<size_t>(number - 1) * kFolderRecordSize;
  if (folder_bytes_.size() < at + kFolderRecordSize) folder_bytes_.resize(at + kFolderRecordSize);
  uint8_t* bytes = folder_bytes_.data() + at;
  EncodeFixed32(bytes + kFolderEntryField, first);
  EncodeFixed32(bytes + kFolderSiblingField, sibling);
  EncodeFixed32(bytes + kFolderChildField, child);
  EncodeFixed32(bytes + kFolderCountField, count);
}

void SnapshotWalker::SetSibling(uint32_t number, uint32_t sibling) {
  const size_t at = static_cast<size_t>(number - 1) * kFolderRecordSize + kFolderSiblingField;
  if (folder_bytes_.size() < at + 4) folder_bytes_.resize(at + 4);
  EncodeFixed32(folder_bytes_.data() + at, sibling);
}

void SnapshotWalker::WriteFolderRecords() {
  constexpr size_t kPiece = 16 * 1024 * 1024;
  for (size_t at = 0; at < folder_bytes_.size(); at += kPiece) {
    const size_t length = std::min(kPiece, folder_bytes_.size() - at);
    dm_file_->WriteAt(at, folder_bytes_.data() + at, static_cast<uint32_t>(length));
  }
  std::vector<uint8_t>().swap(folder_bytes_);
}

Status SnapshotWalker::Finish() {
  if (!ready_) return Status::Ok();
  ready_ = false;
  const uint32_t failed_writes = FailedFileWrites();
  FlushMonthCodes();
  // 1. The month slots: each list newest first. A slot holds 250 codes; when a group has more
  // distinct months, the 250 newest are kept (the per-entry codes stay exact).
  for (uint32_t slot = 0; slot < kMonthSlotCount; ++slot) {
    std::vector<uint16_t>& codes = month_lists_[slot].codes;
    std::sort(codes.begin(), codes.end(), std::greater<uint16_t>());
    const size_t kept = std::min<size_t>(codes.size(), kMonthSlotCodes);
    std::vector<uint8_t> bytes(kept * 2);
    for (size_t i = 0; i < kept; ++i) EncodeFixed16(&bytes[2 * i], codes[i]);
    if (!bytes.empty()) {
      rw_file_->WriteAt(uint64_t{slot} * kMonthSlotBytes, bytes.data(),
                        static_cast<uint32_t>(bytes.size()));
    }
  }
  // 2. index.cm: six bitmaps of exactly (N + 7) / 8 bytes.
  std::unique_ptr<WinFile> cm_file = OpenWinFile(folder_ + "\\" + kCategoryFile, kOpenAlways);
  if (cm_file) {
    cm_file->SetSize(0);
    const uint32_t bitmap_bytes = BitmapBytes(store_.Count());
    std::vector<uint8_t> buffer(bitmap_bytes);
    for (const GrowBitmap& bitmap : category_bits_) {
      if (bitmap_bytes == 0) break;
      std::fill(buffer.begin(), buffer.end(), 0);
      std::memcpy(buffer.data(), bitmap.Bytes(), std::min(bitmap.UsedBytes(), bitmap_bytes));
      cm_file->Write(buffer.data(), bitmap_bytes);
    }
    cm_file.reset();
  }
  // 3. The db.txt header, then the other files.
  store_.Close();
  rw_file_.reset();
  for (MonthList& list : month_lists_) {
    std::vector<uint16_t>().swap(list.codes);
    list.present.reset();
  }
  WriteFolderRecords();
  dm_file_.reset();
  lister_.reset();
  return FailedFileWritesSince(failed_writes);
}

}  // namespace sorvik
