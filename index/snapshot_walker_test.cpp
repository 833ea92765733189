#include "index/snapshot_walker.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/progress.h"
#include "testing/snapshot_test_support.h"

namespace sorvik {
namespace {

using namespace testing;
using snapshot::MonthCode;

// Times used below: whole minutes, so that the time text is exactly their hexadecimal form.
constexpr int64_t k2005June15 = 1118836800;     // 2005-06-15 12:00 UTC = 0x42b01840
constexpr int64_t k2008August8 = 1218196800;    // 2008-08-08 12:00 UTC = 0x489c3540
constexpr int64_t k2010January20 = 1263988800;  // 2010-01-20 12:00 UTC = 0x4b56f040
constexpr int64_t k2100March10 = 4108363200;    // 2100-03-10 12:00 UTC, after any build year
// 1601-01-01 00:01 UTC (a FILETIME of 0 would mean "unchanged" to SetFileTime).
constexpr int64_t k1601 = -kEpochDifference + 60;

std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

void AppendU32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendU16(std::vector<uint8_t>* bytes, uint16_t value) {
  bytes->push_back(static_cast<uint8_t>(value));
  bytes->push_back(static_cast<uint8_t>(value >> 8));
}

int CurrentYear() {
  LocalTime now;
  return LocalNow(&now) ? now.year : 0;
}

TEST(SnapshotWalker, ByteExactSnapshotOfTwoDrives) {
  TestDrive d('D'), e('E');
  ASSERT_TRUE(d.Mapped() && e.Mapped());
  // E: holds one picture in its root; D: one folder A with one file.
  ASSERT_TRUE(MakeFile(e.At("r.JPG")));
  ASSERT_TRUE(SetWriteTime(e.At("r.JPG"), k2010January20));
  ASSERT_TRUE(CreateFolder(d.At("A")));
  ASSERT_TRUE(MakeFile(d.At("A\\x.txt"), 3));
  ASSERT_TRUE(SetWriteTime(d.At("A\\x.txt"), k2005June15));
  ASSERT_TRUE(SetWriteTime(d.At("A"), k2008August8));
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    ASSERT_TRUE(walker);
    EXPECT_EQ(walker->WalkRoot("E:"), 1u);  // Z down to B: E before D
    EXPECT_EQ(walker->WalkRoot("D:"), 2u);
    EXPECT_EQ(walker->EntryCount(), 3u);
  }
  const std::string r1 = "I:r.JPG\nM:4b56f040\nD:E:\nS:0\n";
  const std::string r2 = "I:A\nM:489c3540\nD:D:\nS:-1\n";
  const std::string r3 = "I:x.txt\nM:42b01840\nD:2\nS:3\n";
  const uint32_t end = static_cast<uint32_t>(8 + r1.size() + r2.size() + r3.size());
  std::vector<uint8_t> db;
  AppendU32(&db, 4);
  AppendU32(&db, end);
  for (const std::string& r : {r1, r2, r3}) db.insert(db.end(), r.begin(), r.end());
  EXPECT_EQ(ReadBytes(build.Join("db.txt")), db);
  std::vector<uint8_t> mai;
  AppendU32(&mai, 8);
  AppendU32(&mai, static_cast<uint32_t>(8 + r1.size()));
  AppendU32(&mai, static_cast<uint32_t>(8 + r1.size() + r2.size()));
  EXPECT_EQ(ReadBytes(build.Join("db.txt.mai")), mai);

  // index.rw: slots all (3 codes), folders, pictures; then one code per entry.
  const uint16_t jan2010 = MonthCode(2010, 1), aug2008 = MonthCode(2008, 8),
                 jun2005 = MonthCode(2005, 6);
  std::vector<uint8_t> rw(3000, 0);
  std::vector<uint8_t> codes;
  for (uint16_t c : {jan2010, aug2008, jun2005}) AppendU16(&codes, c);
  std::copy(codes.begin(), codes.end(), rw.begin());
  rw[500] = static_cast<uint8_t>(aug2008);
  rw[501] = static_cast<uint8_t>(aug2008 >> 8);
  rw[1000] = static_cast<uint8_t>(jan2010);
  rw[1001] = static_cast<uint8_t>(jan2010 >> 8);
  rw.insert(rw.end(), codes.begin(), codes.end());  // ids 1, 2, 3 in that order too
  EXPECT_EQ(ReadBytes(build.Join("index.rw")), rw);

  // index.cm: N = 3, one byte per bitmap: folders {2}, hidden {}, pictures {1}, then empty.
  EXPECT_EQ(ReadBytes(build.Join("index.cm")), (std::vector<uint8_t>{0x02, 0, 0x01, 0, 0, 0}));

  // index.dm: root E: chained to root D:, whose first folder is record 3 (A, id 2, 1 below).
  std::vector<uint8_t> dm = Bytes(std::string("E:\0\0", 4));
  AppendU32(&dm, 2);
  AppendU32(&dm, 0);
  AppendU32(&dm, 1);
  dm.insert(dm.end(), {'D', ':', 0, 0});
  AppendU32(&dm, 0);
  AppendU32(&dm, 3);
  AppendU32(&dm, 2);
  for (uint32_t v : {2u, 0u, 0u, 1u}) AppendU32(&dm, v);
  EXPECT_EQ(ReadBytes(build.Join("index.dm")), dm);
}

TEST(SnapshotWalker, EdgeCasesOfTheWalk) {
  TestDrive d('D'), e('E');
  ASSERT_TRUE(d.Mapped() && e.Mapped());
  const int year = CurrentYear();
  ASSERT_GT(year, 2010);
  // D: a profile folder with its temporary internet files, files of every kind.
  const std::string profile = "Documents and Settings\\u\\Local Settings";
  for (const char* folder : {"Documents and Settings", "Documents and Settings\\u",
                             "Documents and Settings\\u\\Local Settings",
                             "Documents and Settings\\u\\Local Settings\\History",
                             "Documents and Settings\\u\\Local Settings\\Temporary Internet Files",
                             "Documents and Settings\\u\\Local Settings\\Temporary Internet "
                             "Files\\Content.IE5",
                             "other", "other\\local settings",
                             "other\\local settings\\temporary internet files", "kinds"}) {
    ASSERT_TRUE(CreateFolder(d.At(folder))) << folder;
  }
  ASSERT_TRUE(MakeFile(d.At(profile + "\\History\\h.dat")));
  ASSERT_TRUE(MakeFile(d.At(profile + "\\Temporary Internet Files\\index.dat")));
  ASSERT_TRUE(MakeFile(d.At(profile + "\\Temporary Internet Files\\Content.IE5\\a.htm")));
  ASSERT_TRUE(MakeFile(d.At("other\\local settings\\temporary internet files\\b.htm")));
  for (const char* name :
       {"archive.tar.GZ", ".profile", "photo.jpeg", "A.Doc", "setup.EXE", "song.Mp3", "README",
        "x.docx.bak", "old.txt", "future.txt", "empty.bin"}) {
    ASSERT_TRUE(MakeFile(d.At(std::string("kinds\\") + name))) << name;
  }
  ASSERT_TRUE(MakeFile(d.At("kinds\\big.iso"), 5000000000ULL));
  ASSERT_TRUE(MakeFile(d.At("kinds\\three.bin"), 3));
  ASSERT_TRUE(SetWriteTime(d.At("kinds\\old.txt"), k1601));
  ASSERT_TRUE(SetWriteTime(d.At("kinds\\future.txt"), k2100March10));
  // E: only files in its root.
  ASSERT_TRUE(MakeFile(e.At("one.txt"), 1));
  ASSERT_TRUE(MakeFile(e.At("two.pdf"), 2));

  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    ASSERT_TRUE(walker);
    walker->WalkRoot("E:");
    walker->WalkRoot("D:");
  }
  Snapshot snap(build.Path());
  std::map<std::string, uint32_t> ids;
  for (uint32_t id = 1; id <= snap.Count(); ++id) ids[snap.FullPath(id)] = id;
  auto record = [&](const std::string& path) -> const EntryRecord& {
    static EntryRecord none;
    auto it = ids.find(path);
    EXPECT_TRUE(it != ids.end()) << path;
    return it == ids.end() ? none : snap.Record(it->second);
  };
  auto folder_of = [&](const std::string& path) {
    for (uint32_t r = 1; r <= snap.FolderCount(); ++r) {
      if (snap.Folder(r).entry == ids[path] && r > 2) return snap.Folder(r);
    }
    ADD_FAILURE() << "no folder record for " << path;
    return FolderRecord{0, 0, 0, 0};
  };

  // The temporary internet files folder is recorded, nothing inside it; History is walked.
  {
    const std::string tif = "D:\\" + profile + "\\Temporary Internet Files";
    EXPECT_EQ(ids.count(tif), 1u);
    EXPECT_EQ(ids.count(tif + "\\index.dat"), 0u);
    EXPECT_EQ(ids.count(tif + "\\Content.IE5"), 0u);
    EXPECT_EQ(folder_of(tif).count, 0u);
    EXPECT_EQ(folder_of(tif).child, 0u);
    EXPECT_EQ(ids.count("D:\\" + profile + "\\History\\h.dat"), 1u);
    // The text is matched with its case.
    EXPECT_EQ(ids.count("D:\\other\\local settings\\temporary internet files\\b.htm"), 1u);
  }
  // Years: 1601 and 2100 give the build year in decimal and its year with their own month.
  {
    const EntryRecord& old = record("D:\\kinds\\old.txt");
    EXPECT_EQ(old.Get("M"), std::to_string(year));
    FindRecord found;
    intptr_t handle = FindFirstEntry("D:\\kinds\\old.txt", &found);
    ASSERT_NE(handle, kInvalidFind);
    FindCloseEntry(handle);
    LocalTime local;  // the file system may have clamped 1601 (ext4 keeps 1901-12-13)
    uint16_t month = FileTimeToLocal(found.last_write, &local) ? local.month : 1;
    EXPECT_EQ(snap.Code(old.id), MonthCode(year, month));
    const EntryRecord& future = record("D:\\kinds\\future.txt");
    EXPECT_EQ(future.Get("M"), std::to_string(year));
    EXPECT_EQ(snap.Code(future.id), MonthCode(year, 3));
  }
  // Extensions: |GZ| is no category, a leading dot is no extension, case does not matter.
  {
    auto category = [&](const char* name) {
      uint32_t id = ids[std::string("D:\\kinds\\") + name];
      int found = -1;
      for (int c : {2, 3, 4, 5}) {
        if (snap.Bit(c, id)) found = c;
      }
      return found;
    };
    EXPECT_EQ(category("archive.tar.GZ"), -1);
    EXPECT_EQ(category(".profile"), -1);
    EXPECT_TRUE(snap.Bit(snapshot::kHidden, ids["D:\\kinds\\.profile"]));
    EXPECT_EQ(category("photo.jpeg"), snapshot::kPictures);
    EXPECT_EQ(category("A.Doc"), snapshot::kDocuments);
    EXPECT_EQ(category("setup.EXE"), snapshot::kApplications);
    EXPECT_EQ(category("song.Mp3"), snapshot::kAudioVideo);
    EXPECT_EQ(category("README"), -1);
    EXPECT_EQ(category("x.docx.bak"), -1);
  }
  // Sizes: empty, three bytes, 5,000,000,000 bytes (sparse).
  {
    EXPECT_EQ(record("D:\\kinds\\empty.bin").Get("S"), "0");
    EXPECT_EQ(record("D:\\kinds\\three.bin").Get("S"), "3");
    EXPECT_EQ(record("D:\\kinds\\big.iso").Get("S"), "12a05f200");
    EXPECT_EQ(record("D:\\kinds").Get("S"), "-1");
  }
  // A root with files only: "D:" + root text, no first child; its sibling is the next root.
  {
    EXPECT_EQ(record("E:\\one.txt").Get("D"), "E:");
    EXPECT_EQ(record("E:\\two.pdf").Get("D"), "E:");
    FolderRecord root_e = snap.Folder(1), root_d = snap.Folder(2);
    EXPECT_EQ(root_e.child, 0u);
    EXPECT_EQ(root_e.count, 2u);
    EXPECT_EQ(root_e.sibling, 2u);
    EXPECT_EQ(root_d.sibling, 0u);
    EXPECT_EQ(root_d.count, snap.Count() - 2);
    // Files below a folder name the folder's id.
    EXPECT_EQ(record("D:\\kinds\\README").Get("D"), std::to_string(ids["D:\\kinds"]));
  }
  // A folder's id is below every id under it and its count is exact.
  {
    uint32_t settings = ids["D:\\Documents and Settings"];
    FolderRecord folder = folder_of("D:\\Documents and Settings");
    EXPECT_EQ(folder.count, 5u);  // u, Local Settings, History, h.dat, Temporary Internet Files
    for (const auto& entry : ids) {
      if (entry.first.compare(0, 26, "D:\\Documents and Settings\\") == 0) {
        EXPECT_GT(entry.second, settings);
        EXPECT_LE(entry.second, settings + folder.count);
      }
    }
  }
}

TEST(SnapshotWalker, MonthSlotKeepsTheNewest250) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  ASSERT_TRUE(CreateFolder(d.At("docs")));
  // 251 documents, each in its own month from 1990-01 on (mid-month, whole minutes).
  std::vector<uint16_t> months;
  for (int i = 0; i < 251; ++i) {
    const int year = 1990 + i / 12, month = 1 + i % 12;
    const std::string path = d.At("docs\\m" + std::to_string(i) + ".pdf");
    ASSERT_TRUE(MakeFile(path));
    int64_t days = 0;  // days from 1970-01-01 to the 15th of that month
    for (int y = 1970; y < year; ++y) days += (y % 4 == 0) ? 366 : 365;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m < month; ++m) days += kDays[m - 1] + (m == 2 && year % 4 == 0);
    ASSERT_TRUE(SetWriteTime(path, (days + 14) * 86400 + 12 * 3600));
    months.push_back(MonthCode(year, month));
  }
  ASSERT_TRUE(SetWriteTime(d.At("docs"), k2005June15));
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    walker->WalkRoot("D:");
  }
  Snapshot snap(build.Path());
  ASSERT_EQ(snap.Count(), 252u);
  // The documents slot holds the 250 newest months, descending; the oldest (1990-01) is left
  // out, and the next slot (applications) stays empty.
  std::vector<uint16_t> newest(months.rbegin(), months.rbegin() + 250);
  EXPECT_EQ(snap.Slot(snapshot::kDocuments), newest);
  EXPECT_TRUE(snap.Slot(snapshot::kApplications).empty());
  EXPECT_EQ(snap.Slot(0).size(), 250u);
  EXPECT_EQ(snap.Slot(1), (std::vector<uint16_t>{MonthCode(2005, 6)}));  // folders
  // The per-entry codes stay exact, the oldest included.
  std::set<uint16_t> per_entry;
  for (uint32_t id = 1; id <= snap.Count(); ++id) per_entry.insert(snap.Code(id));
  EXPECT_EQ(per_entry.count(MonthCode(1990, 1)), 1u);
  EXPECT_EQ(per_entry.size(), 251u);  // 2005-06 is among the documents' months
}

TEST(SnapshotWalker, GeneratedTreeIsRecordedConsistently) {
  TestDrive d('D'), f('F');
  ASSERT_TRUE(d.Mapped() && f.Mapped());
  Model model = MakeGeneratedTree("F:", 600, 7);
  Model more = MakeGeneratedTree("D:", 2400, 1);
  model.insert(more.begin(), more.end());
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("F:"), 600u);
    EXPECT_EQ(walker->WalkRoot("D:"), 2400u);
  }
  ExpectSnapshotMatches(Snapshot(build.Path()), model, {"F:", "D:"});
}

TEST(SnapshotWalker, BuildFolderIsEmptiedAndHoldsTheFiveFiles) {
  TestDrive d('D');
  ASSERT_TRUE(d.Mapped());
  ASSERT_TRUE(MakeFile(d.At("a.txt")));
  TempFolder parent;
  const std::string build = parent.Join("ScanTemp");
  ASSERT_TRUE(CreateFolder(build));
  ASSERT_TRUE(CreateFolder(build + kSep + "old"));
  WriteText(build + kSep + "index.rw", std::string(9000, 'x'));
  WriteText(build + kSep + "stale.txt", "left over");
  {
    auto walker = SnapshotWalker::Open(build, 0);
    ASSERT_TRUE(walker);
    walker->WalkRoot("D:");
  }
  std::set<std::string> names;
  FindRecord found;
  intptr_t handle = FindFirstEntry(build + "\\*", &found);
  ASSERT_NE(handle, kInvalidFind);
  do {
    if (std::strcmp(found.name, ".") != 0 && std::strcmp(found.name, "..") != 0) {
      names.insert(found.name);
    }
  } while (FindNextEntry(handle, &found));
  FindCloseEntry(handle);
  EXPECT_EQ(names,
            (std::set<std::string>{"db.txt", "db.txt.mai", "index.cm", "index.dm", "index.rw"}));
  EXPECT_EQ(ReadBytes(build + kSep + "index.rw").size(), 3002u);
  // A walker that walks nothing leaves a valid empty snapshot.
  { auto walker = SnapshotWalker::Open(build, 0); }
  EXPECT_EQ(ReadBytes(build + kSep + "db.txt"), (std::vector<uint8_t>{1, 0, 0, 0, 8, 0, 0, 0}));
  EXPECT_EQ(ReadBytes(build + kSep + "index.rw"), std::vector<uint8_t>(3000, 0));
  EXPECT_TRUE(ReadBytes(build + kSep + "index.cm").empty());
  EXPECT_TRUE(ReadBytes(build + kSep + "index.dm").empty());
}

TEST(SnapshotWalker, TimeTextCategoryAndSkipRules) {
  // Years up to 1970 and after the build year fall back to the build year, in decimal.
  {
    int code_year = 0;
    EXPECT_EQ(TimeText(LocalTime{1601, 1, 1, 1, 0, 0, 0, 0}, 2008, &code_year), "2008");
    EXPECT_EQ(code_year, 2008);
    EXPECT_EQ(TimeText(LocalTime{1970, 12, 4, 31, 23, 59, 0, 0}, 2008, &code_year), "2008");
    EXPECT_EQ(TimeText(LocalTime{2009, 1, 4, 1, 0, 0, 0, 0}, 2008, &code_year), "2008");
    EXPECT_EQ(code_year, 2008);
    EXPECT_EQ(TimeText(LocalTime{2009, 1, 4, 1, 0, 0, 0, 0}, 0, &code_year), "0");
    EXPECT_EQ(code_year, 0);
  }
  // Otherwise the hexadecimal seconds of the local minute (seconds and milliseconds dropped).
  {
    LocalTime local;
    ASSERT_TRUE(FileTimeToLocal(
        static_cast<uint64_t>(k2005June15 + 37 + kEpochDifference) * 10000000ULL, &local));
    int code_year = 0;
    EXPECT_EQ(TimeText(local, 2008, &code_year), "42b01840");
    EXPECT_EQ(code_year, 2005);
  }
  // Extensions.
  {
    EXPECT_EQ(CategoryOfName("a.pdf"), snapshot::kDocuments);
    EXPECT_EQ(CategoryOfName("a.PPTM"), snapshot::kDocuments);
    EXPECT_EQ(CategoryOfName("b.Jfif"), snapshot::kPictures);
    EXPECT_EQ(CategoryOfName("b.ai"), snapshot::kPictures);
    EXPECT_EQ(CategoryOfName("c.3gp"), snapshot::kAudioVideo);
    EXPECT_EQ(CategoryOfName("d.msi"), snapshot::kApplications);
    EXPECT_EQ(CategoryOfName(".jpg"), -1);
    EXPECT_EQ(CategoryOfName("..jpg"), snapshot::kPictures);
    EXPECT_EQ(CategoryOfName("e."), -1);
    EXPECT_EQ(CategoryOfName("f.P"), -1);  // "|P|" is not in any list
    EXPECT_EQ(CategoryOfName("g.DF|DOC"), -1);
    EXPECT_EQ(CategoryOfName("\xD6\xD0.doc"), snapshot::kDocuments);
  }
  // Skipped results: the dot links and temporary files.
  {
    FindRecord record = {};
    std::strcpy(record.name, ".");
    EXPECT_TRUE(SkipsResult(record));
    std::strcpy(record.name, "..");
    EXPECT_TRUE(SkipsResult(record));
    std::strcpy(record.name, "...");
    EXPECT_FALSE(SkipsResult(record));
    std::strcpy(record.name, "x.tmp");
    record.attributes = kAttributeArchive | kAttributeTemporary;
    EXPECT_TRUE(SkipsResult(record));
    record.attributes = kAttributeArchive | kAttributeHidden;
    EXPECT_FALSE(SkipsResult(record));
  }
}

TEST(SnapshotWalker, UnwalkableRootsAreRecordedEmpty) {
  TempFolder build;
  {
    auto walker = SnapshotWalker::Open(build.Path(), 0);
    EXPECT_EQ(walker->WalkRoot("Y:"), 0u);  // no such drive
    EXPECT_EQ(walker->WalkRoot(""), 0u);
    EXPECT_EQ(walker->WalkRoot(std::string(900, 'x')), 0u);
    EXPECT_EQ(walker->FolderRecords(), 3u);
  }
  Snapshot snap(build.Path());
  EXPECT_EQ(snap.Count(), 0u);
  ASSERT_EQ(snap.FolderCount(), 3u);
  EXPECT_EQ(snap.Folder(1).sibling, 2u);
  EXPECT_EQ(snap.Folder(2).sibling, 3u);
  EXPECT_EQ(snap.Folder(3).entry, 0x78787878u);  // "xxxx"
}

}  // namespace
}  // namespace sorvik
