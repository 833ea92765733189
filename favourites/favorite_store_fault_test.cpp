// A favourites save that fails never leaves Favorite.xml truncated: the old list reads back
// whole; nor does a save from a damaged file write one that cannot be read.
#include <gtest/gtest.h>

#include <string>

#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "settings/xml_file.h"
#include "testing/fault_injection.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::FailingDisk;

TEST(FavoriteStoreFaults, AFailedSaveKeepsTheOldList) {
  testing::TempFolder work;
  const std::string folder = work.Join("NFavorite");
  {
    auto store = FavoriteStore::Open(folder);
    store->Add("first", MakeSearchRequest("report", "C:\\docs", 3, false, 2008, 0));
    store->Add("second", MakeSearchRequest("song", "", -1, true, 0, 0));
    ASSERT_TRUE(store->Save());
  }
  const std::string before = testing::ReadText(folder + "\\" + kFavoriteFileName);
  for (uint32_t write = 1; write <= 2; ++write) {  // the disk fills at the first or second write
    auto store = FavoriteStore::Open(folder);
    store->Add("third", SearchRequest());
    FailingDisk disk;
    disk.full_from = write;
    EXPECT_FALSE(store->Save()) << write;
  }
  EXPECT_EQ(testing::ReadText(folder + "\\" + kFavoriteFileName), before);
  auto reread = FavoriteStore::Open(folder);
  ASSERT_EQ(reread->Count(), 2u);
  EXPECT_EQ(reread->Item(1).title, "second");
  EXPECT_EQ(reread->Item(1).request.hiddenOnly, 1);
}

TEST(FavoriteStoreFaults, AFailedRewriteKeepsTheOldFile) {
  testing::TempFolder work;
  ASSERT_TRUE(RewriteFavorites({{"a", SearchRequest()}, {"b", SearchRequest()}}, work.Path()));
  const std::string path = work.Join(kFavoriteFileName);
  const std::string before = testing::ReadText(path);
  {
    // The disk is full: the rewrite fails, and the old file was never removed first.
    FailingDisk disk;
    disk.full_from = 1;
    EXPECT_FALSE(RewriteFavorites({}, work.Path()));
  }
  {
    // The new file cannot take the old one's place.
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string&) { return op == FileOp::kRename; };
    EXPECT_FALSE(RewriteFavorites({{"c", SearchRequest()}}, work.Path()));
  }
  EXPECT_EQ(testing::ReadText(path), before);
  EXPECT_FALSE(PathExists(XmlTempPath(path)));
}

// Found by fuzzing: a damaged file with a declaration whose texts held quotes and markup was
// saved raw after an Add, and the next read found no favourite at all.
TEST(FavoriteStoreFaults, ADamagedDeclarationDoesNotLoseTheList) {
  testing::TempFolder work;
  const std::string folder = work.Join("NFavorite");
  ASSERT_TRUE(CreateFolder(folder));
  testing::WriteText(folder + "\\" + kFavoriteFileName,
                     "<?xml version=\"1.0\" encoding='gb\"2312>' ?>\n<favorite>\n"
                     "<bookmark name=\"old\"><?xml version='x\"<y' ?><searchcontext>"
                     "<keyword>report</keyword></searchcontext></bookmark>\n</favorite>");
  {
    auto store = FavoriteStore::Open(folder);
    ASSERT_EQ(store->Count(), 1u);
    store->Add("new", MakeSearchRequest("song", "", -1, false, 0, 0));
    ASSERT_TRUE(store->Save());
  }
  auto reread = FavoriteStore::Open(folder);
  ASSERT_EQ(reread->Count(), 2u);
  EXPECT_EQ(reread->Item(0).title, "old");
  EXPECT_EQ(reread->Item(1).request.keywords, "song");
}

}  // namespace
}  // namespace sorvik

namespace sorvik {
namespace {

TEST(FavoriteStoreFaults, AnUnreadableFileIsKeptBeforeTheNextSave) {
  testing::TempFolder work;
  const std::string folder = work.Join("NFavorite");
  const std::string file = folder + "\\" + kFavoriteFileName;
  {
    auto store = FavoriteStore::Open(folder);
    for (const char* title : {"one", "two", "three"}) store->Add(title, SearchRequest());
    ASSERT_TRUE(store->Save());
  }
  const std::string whole = testing::ReadText(file);
  const std::string cut = whole.substr(0, whole.size() - 20);
  testing::WriteText(file, cut);
  {  // cut short: an empty list, and the add keeps the old file aside before it writes
    auto store = FavoriteStore::Open(folder);
    EXPECT_TRUE(store->Unreadable());
    EXPECT_EQ(store->Count(), 0u);
    store->Add("four", SearchRequest());
    std::string kept;
    ASSERT_TRUE(store->Save(nullptr, &kept));
    EXPECT_EQ(kept, file + ".bad");
  }
  EXPECT_EQ(testing::ReadText(file + ".bad"), cut);
  EXPECT_EQ(FavoriteStore::Open(folder)->Count(), 1u);
  {  // a tag left open by hand, kept under the next free name; reading alone writes nothing
    testing::WriteText(file, "<favorite><bookmark name=\"a\"><c></bookmark></favorite>");
    EXPECT_TRUE(FavoriteStore::Open(folder)->Unreadable());
    EXPECT_FALSE(PathExists(file + ".bad2"));
    auto store = FavoriteStore::Open(folder);
    store->Add("five", SearchRequest());
    ASSERT_TRUE(store->Save());
    EXPECT_TRUE(PathExists(file + ".bad2"));
  }
  {  // when the file cannot be set aside nothing is written over it
    testing::WriteText(file, cut);
    auto store = FavoriteStore::Open(folder);
    store->Add("six", SearchRequest());
    FailingDisk disk;
    disk.refuse = [](FileOp op, const std::string&) { return op == FileOp::kRename; };
    std::string error;
    EXPECT_FALSE(store->Save(&error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(testing::ReadText(file), cut);
}

}  // namespace
}  // namespace sorvik
