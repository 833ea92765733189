// A favourites save that fails never leaves Favorite.xml truncated: the old list reads back whole.
#include <gtest/gtest.h>

#include <string>

#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "testing/fault_injection.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::FailingDisk;

TEST(FavoriteStoreFaults, AFailedSaveKeepsTheOldList) {
  testing::TempFolder work;
  const std::string folder = work.Join("NFavorite");
  {
    FavoriteStore store(folder);
    store.Add("first", MakeSearchRequest("report", "C:\\docs", 3, false, 2008, 0));
    store.Add("second", MakeSearchRequest("song", "", -1, true, 0, 0));
    ASSERT_TRUE(store.Save());
  }
  const std::string before = testing::ReadText(folder + "\\" + kFavoriteFileName);
  for (uint32_t write = 1; write <= 2; ++write) {  // the disk fills at the first or second write
    FavoriteStore store(folder);
    store.Add("third", SearchRequest());
    FailingDisk disk;
    disk.full_from = write;
    EXPECT_FALSE(store.Save()) << write;
  }
  EXPECT_EQ(testing::ReadText(folder + "\\" + kFavoriteFileName), before);
  FavoriteStore reread(folder);
  ASSERT_EQ(reread.Count(), 2u);
  EXPECT_EQ(reread.Item(1).title, "second");
  EXPECT_EQ(reread.Item(1).request.hiddenOnly, 1);
}

}  // namespace
}  // namespace sorvik
