// Test support for the snapshot walker: test drives on temporary folders, tree building with
// chosen sizes and times, and a reader that loads a finished snapshot for checking. Tests only.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "platform/drives.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "testing/test_util.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/native_path.h"
#endif

namespace sorvik {
namespace testing {

constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970

// A drive letter standing for a fresh temporary folder while the object lives.
class TestDrive {
 public:
  explicit TestDrive(char letter, uint32_t type = kDriveFixed) : letter_(letter) {
    mapped_ = MapTestDrive(letter, folder_.Path(), type);
  }
  ~TestDrive() { UnmapTestDrive(letter_); }
  bool Mapped() const { return mapped_; }
  std::string Root() const { return std::string(1, letter_) + ":"; }
  // Root() + "\" + relative, the program path of something on the drive.
  std::string At(const std::string& relative) const { return Root() + "\\" + relative; }
  const TempFolder& Folder() const { return folder_; }

 private:
  TempFolder folder_;  // what the drive stands for
  char letter_;        // the drive letter
  bool mapped_;        // MapTestDrive succeeded
};

// Creates a file of `size` bytes (sparse where the file system allows). Unlike WinFile it does
// not flush on close, which keeps trees of thousands of files quick to make.
inline bool MakeFile(const std::string& path, uint64_t size = 0) {
#ifdef _WIN32
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  bool ok =
      size == 0 || (SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) && SetEndOfFile(handle));
  CloseHandle(handle);
  return ok;
#else
  std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  ::close(fd);
  return ok;
#endif
}

// Sets the last-write time of a file or folder to `unix_seconds` (may be before 1970).
inline bool SetWriteTime(const std::string& path, int64_t unix_seconds) {
#ifdef _WIN32
  HANDLE handle = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  uint64_t ticks = static_cast<uint64_t>(unix_seconds + kEpochDifference) * 10000000ULL;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  BOOL ok = SetFileTime(handle, nullptr, nullptr, &time);
  CloseHandle(handle);
  return ok != FALSE;
#else
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(unix_seconds);
  times[1].tv_nsec = 0;
  std::string native = NativePath(path);
  return ::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
#endif
}

// One folder record of index.dm.
struct FolderRecord {
  uint32_t entry;    // entry id, or the root text's first 4 bytes for a root
  uint32_t sibling;  // next folder with the same parent, or next root
  uint32_t child;    // first sub-folder
  uint32_t count;    // entries below
};

// A finished snapshot, read back from a build folder.
class Snapshot {
 public:
  explicit Snapshot(const std::string& folder) {
    const std::string base = folder + kSep;
    RecordStore store;
    db = ReadBytes(base + snapshot::kRecordFile);
    mai = ReadBytes(base + snapshot::kRecordFile + snapshot::kOffsetSuffix);
    if (store.Open(base + snapshot::kRecordFile)) {
      for (uint32_t id = 1; id <= store.Count(); ++id) {
        EntryRecord record;
        store.Read(id, &record);
        const char* text = nullptr;
        uint32_t length = 0;
        store.ReadText(id, &text, &length);
        texts.emplace_back(text, length);
        records.push_back(record);
      }
    }
    rw = ReadBytes(base + snapshot::kMonthFile);
    cm = ReadBytes(base + snapshot::kCategoryFile);
    dm = ReadBytes(base + snapshot::kFolderFile);
  }

  uint32_t Count() const { return static_cast<uint32_t>(records.size()); }
  // The end offset that db.txt's header records.
  uint32_t EndOffsetOfLast() const {
    return db.size() < 8
               ? 0
               : db[4] | (db[5] << 8) | (db[6] << 16) | (static_cast<uint32_t>(db[7]) << 24);
  }
  const EntryRecord& Record(uint32_t id) const { return records.at(id - 1); }
  bool IsFolder(uint32_t id) const { return Record(id).Get("S") == "-1"; }
  uint16_t Code(uint32_t id) const {
    size_t at = snapshot::kMonthCodesOffset + (id - 1) * 2;
    return static_cast<uint16_t>(rw.at(at) | (rw.at(at + 1) << 8));
  }
  // The codes of slot `slot` up to its first zero word.
  std::vector<uint16_t> Slot(int slot) const {
    std::vector<uint16_t> codes;
    for (uint32_t i = 0; i < snapshot::kMonthSlotCodes; ++i) {
      size_t at = slot * snapshot::kMonthSlotBytes + i * 2;
      uint16_t code = static_cast<uint16_t>(rw.at(at) | (rw.at(at + 1) << 8));
      if (code == 0) break;
      codes.push_back(code);
    }
    return codes;
  }
  bool Bit(int category, uint32_t id) const {
    size_t bytes = snapshot::BitmapBytes(Count());
    return (cm.at(category * bytes + (id - 1) / 8) >> ((id - 1) % 8)) & 1;
  }
  uint32_t FolderCount() const { return static_cast<uint32_t>(dm.size() / 16); }
  FolderRecord Folder(uint32_t number) const {
    FolderRecord record;
    const uint8_t* p = dm.data() + (number - 1) * 16;
    uint32_t* fields[4] = {&record.entry, &record.sibling, &record.child, &record.count};
    for (int f = 0; f < 4; ++f) {
      *fields[f] = static_cast<uint32_t>(p[4 * f]) | (static_cast<uint32_t>(p[4 * f + 1]) << 8) |
                   (static_cast<uint32_t>(p[4 * f + 2]) << 16) |
                   (static_cast<uint32_t>(p[4 * f + 3]) << 24);
    }
    return record;
  }
  // The full path of entry `id`, rebuilt from the records: a "D" value with ":" is the holder's
  // path, otherwise the holder's id.
  std::string FullPath(uint32_t id) const {
    const EntryRecord& record = Record(id);
    std::string where = record.Get("D");
    if (where.find(':') == std::string::npos) {
      const EntryRecord& holder = Record(static_cast<uint32_t>(std::stoul(where)));
      where = holder.Get("D") + "\\" + holder.Name();
    }
    return where + "\\" + record.Name();
  }

  std::vector<EntryRecord> records;          // records[id - 1]
  std::vector<std::string> texts;            // raw record texts, texts[id - 1]
  std::vector<uint8_t> db, mai, rw, cm, dm;  // the files' bytes
};

inline std::string Hex(uint64_t value) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return text;
}

}  // namespace testing
}  // namespace sorvik

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "index/snapshot_walker.h"
#include "platform/local_time.h"

namespace sorvik {
namespace testing {

// What a walk must find: full program path -> entry.
struct ModelEntry {
  bool folder = false;    // a folder (else a file)
  uint64_t size = 0;      // file size
  int64_t seconds = 0;    // last-write time, Unix seconds, a multiple of 60; 0 = not checked
  bool hidden = false;    // carries the hidden attribute
  std::string time_text;  // expected "M" value when not empty
  uint16_t code = 0;      // expected month code when not 0
};
using Model = std::map<std::string, ModelEntry>;

inline std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// Checks a snapshot against `model` for drives walked in the order `roots`: every entry once,
// its record, month code, bits, and the folder tree with its id ranges.
inline void ExpectSnapshotMatches(const Snapshot& snap, const Model& model,
                                  const std::vector<std::string>& roots) {
  const uint32_t n = snap.Count();
  ASSERT_EQ(n, model.size());
  const uint32_t bitmap_bytes = snapshot::BitmapBytes(n);
  EXPECT_EQ(snap.cm.size(), 6u * bitmap_bytes);
  EXPECT_EQ(snap.rw.size(), snapshot::kMonthCodesOffset + 2u * n);
  LocalTime now;
  ASSERT_TRUE(LocalNow(&now));

  std::map<std::string, uint32_t> id_of;
  std::set<uint16_t> groups[6];
  for (uint32_t id = 1; id <= n; ++id) {
    const std::string path = snap.FullPath(id);
    auto it = model.find(path);
    ASSERT_TRUE(it != model.end()) << "unexpected entry " << path;
    ASSERT_TRUE(id_of.emplace(path, id).second) << "recorded twice: " << path;
    const ModelEntry& want = it->second;
    const EntryRecord& record = snap.Record(id);
    ASSERT_LE(snap.texts[id - 1].size(), snapshot::kMaxRecordText);
    EXPECT_EQ(record.fields.size(), 4u) << path;
    EXPECT_EQ(snap.IsFolder(id), want.folder) << path;
    if (!want.folder) {
      EXPECT_EQ(record.Get("S"), Hex(want.size)) << path;
    }
    if (want.seconds != 0) {
      EXPECT_EQ(record.Get("M"), Hex(want.seconds)) << path;
    }
    if (!want.time_text.empty()) {
      EXPECT_EQ(record.Get("M"), want.time_text) << path;
    }
    // Where it lives: a folder names its holder's path, a file its holder's id (or the root).
    const std::string parent = ParentOf(path);
    const bool in_root = parent.find('\\') == std::string::npos;
    if (want.folder || in_root) {
      EXPECT_EQ(record.Get("D"), parent) << path;
    } else {
      ASSERT_TRUE(id_of.count(parent)) << "holder after its entry: " << path;
      EXPECT_EQ(record.Get("D"), std::to_string(id_of[parent])) << path;
    }
    // Month code and bits.
    uint16_t code = snap.Code(id);
    if (want.code != 0) {
      EXPECT_EQ(code, want.code) << path;
    }
    if (want.seconds != 0) {
      LocalTime local;
      ASSERT_TRUE(FileTimeToLocal(
          static_cast<uint64_t>(want.seconds + kEpochDifference) * 10000000ULL, &local));
      EXPECT_EQ(code, snapshot::MonthCode(local.year, local.month)) << path;
    }
    int category = want.folder ? snapshot::kFolders : CategoryOfName(record.Name().c_str());
    for (int c : {0, 2, 3, 4, 5}) EXPECT_EQ(snap.Bit(c, id), c == category) << path << " " << c;
    EXPECT_EQ(snap.Bit(snapshot::kHidden, id), want.hidden) << path;
    groups[0].insert(code);
    if (category >= 0) groups[category == snapshot::kFolders ? 1 : category].insert(code);
  }
  // Bits past N in the last byte of each bitmap are zero.
  for (int c = 0; c < 6 && n % 8 != 0; ++c) {
    EXPECT_EQ(snap.cm[c * bitmap_bytes + bitmap_bytes - 1] >> (n % 8), 0) << c;
  }
  // Month slots: the distinct codes of each group, newest first, at most 250.
  for (int slot = 0; slot < 6; ++slot) {
    std::vector<uint16_t> want(groups[slot].rbegin(), groups[slot].rend());
    if (want.size() > snapshot::kMonthSlotCodes) want.resize(snapshot::kMonthSlotCodes);
    EXPECT_EQ(snap.Slot(slot), want) << "slot " << slot;
  }

  // The folder tree: roots chained in walk order, then each folder's chain of sub-folders.
  std::map<std::string, uint32_t> record_of;  // folder or root path -> record number
  std::map<uint32_t, std::string> path_of_record;
  uint32_t root_record = 1;
  uint32_t first_id = 1;
  for (size_t r = 0; r < roots.size(); ++r) {
    ASSERT_NE(root_record, 0u);
    FolderRecord root = snap.Folder(root_record);
    char name[5] = {0, 0, 0, 0, 0};
    std::memcpy(name, &root.entry, 4);
    EXPECT_EQ(std::string(name), roots[r].substr(0, 4));
    record_of[roots[r]] = root_record;
    path_of_record[root_record] = roots[r];
    // A root's entries are the ids after the previous root's range.
    uint32_t on_drive = 0;
    for (const auto& entry : model)
      on_drive += entry.first.compare(0, roots[r].size() + 1, roots[r] + "\\") == 0;
    EXPECT_EQ(root.count, on_drive) << roots[r];
    for (uint32_t id = first_id; id < first_id + root.count; ++id) {
      EXPECT_EQ(snap.FullPath(id).compare(0, roots[r].size() + 1, roots[r] + "\\"), 0);
    }
    first_id += root.count;
    root_record = root.sibling;
  }
  EXPECT_EQ(root_record, 0u);
  for (uint32_t r = 1; r <= snap.FolderCount(); ++r) {
    if (path_of_record.count(r)) continue;
    FolderRecord folder = snap.Folder(r);
    ASSERT_GE(folder.entry, 1u);
    ASSERT_LE(folder.entry, n);
    ASSERT_TRUE(snap.IsFolder(folder.entry));
    const std::string path = snap.FullPath(folder.entry);
    record_of[path] = r;
    path_of_record[r] = path;
    // Everything below the folder is exactly the ids entry + 1 .. entry + count.
    uint32_t below = 0;
    for (const auto& entry : id_of) {
      if (entry.first.compare(0, path.size() + 1, path + "\\") != 0) continue;
      ++below;
      EXPECT_GT(entry.second, folder.entry) << entry.first;
      EXPECT_LE(entry.second, folder.entry + folder.count) << entry.first;
    }
    EXPECT_EQ(folder.count, below) << path;
  }
  size_t folders = 0;
  for (const auto& entry : model) folders += entry.second.folder;
  EXPECT_EQ(snap.FolderCount(), folders + roots.size());
  for (const auto& holder : path_of_record) {
    std::set<std::string> chained, wanted;
    uint32_t last = holder.first;
    for (uint32_t r = snap.Folder(holder.first).child; r != 0; r = snap.Folder(r).sibling) {
      ASSERT_GT(r, last) << "sub-folder records follow pre-order";
      ASSERT_LE(r, snap.FolderCount());
      last = r;
      chained.insert(path_of_record[r]);
    }
    for (const auto& entry : model) {
      if (entry.second.folder && ParentOf(entry.first) == holder.second) wanted.insert(entry.first);
    }
    EXPECT_EQ(chained, wanted) << holder.second;
  }
}

// Builds a deterministic tree of about `entries` entries below `root` ("D:") and returns its
// model. Names mix ASCII, GBK Chinese, dot names and many extensions; times are whole minutes
// from 1995 to 2020; sizes are sparse, some empty.
inline Model MakeGeneratedTree(const std::string& root, uint32_t entries, uint32_t seed) {
  Model model;
  uint64_t state = seed * 6364136223846793005ULL + 1442695040888963407ULL;
  auto next = [&state](uint32_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((state >> 33) % bound);
  };
  static const char* const kStems[] = {"report", "photo",
                                       "setup",  "\xD6\xD0\xCE\xC4",  // 中文
                                       "music",  "\xCE\xC4\xBC\xFE",  // 文件
                                       "Data",   ".config",
                                       "a",      "Program Files"};
  static const char* const kExtensions[] = {"",     ".txt", ".JPG",  ".jpeg",   ".doc", ".Docx",
                                            ".exe", ".mp3", ".rmvb", ".tar.gz", ".msi", ".pdf"};
  std::vector<std::string> folders = {root};
  uint32_t made = 0;
  std::vector<std::pair<std::string, int64_t>> folder_times;
  while (made < entries) {
    const std::string& holder = folders[next(static_cast<uint32_t>(folders.size()))];
    std::string stem = kStems[next(10)];
    bool folder = next(100) < 15 && holder.size() < 120;
    std::string name = stem + "_" + std::to_string(made);
    if (!folder) name += kExtensions[next(12)];
    std::string path = holder + "\\" + name;
    ModelEntry entry;
    entry.folder = folder;
    entry.hidden = name[0] == '.';
    entry.seconds = (788918400 + static_cast<int64_t>(next(26 * 365)) * 86400 +
                     static_cast<int64_t>(next(1440)) * 60);
    if (folder) {
      EXPECT_TRUE(CreateFolder(path)) << path;
      folders.push_back(path);
      folder_times.emplace_back(path, entry.seconds);
    } else {
      entry.size = next(4) == 0 ? 0 : next(1u << 20);
      EXPECT_TRUE(MakeFile(path, entry.size)) << path;
      EXPECT_TRUE(SetWriteTime(path, entry.seconds)) << path;
    }
    model[path] = entry;
    ++made;
  }
  // Folder times last: creating entries inside a folder changes its time.
  for (const auto& folder : folder_times) EXPECT_TRUE(SetWriteTime(folder.first, folder.second));
  return model;
}

}  // namespace testing
}  // namespace sorvik
