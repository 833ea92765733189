// One damaged byte anywhere in Favorite.xml never loses a favourite silently: the file either
// reads with every bookmark, or counts as unreadable and is kept as "Favorite.xml.bad" by the
// next save.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

constexpr size_t kSaved = 3;        // favourites in the undamaged file
constexpr size_t kSavedEvery = 25;  // unreadable variants per one saved over

// The saved file of three favourites, as the store writes it.
std::vector<uint8_t> SavedFile(const std::string& folder) {
  auto store = FavoriteStore::Open(folder);
  store->Add("报告", MakeSearchRequest("报告 2008", "C:\\docs", 3, false, 2008, 3));
  store->Add("songs", MakeSearchRequest("mp3", "", -1, true, 0, 0));
  store->Add("all", SearchRequest());
  EXPECT_TRUE(store->Save());
  return testing::ReadBytes(store->FilePath());
}

TEST(FavoriteDamage, NoOneByteChangeLosesAFavouriteSilently) {
  testing::TempFolder work;
  const std::string folder = work.Join("NFavorite");
  const std::vector<uint8_t> saved = SavedFile(folder);
  const std::string file = folder + "\\" + kFavoriteFileName;
  // Bytes that end, open or turn markup, and a plain letter.
  const uint8_t substitutes[] = {0x00, '>', '<', '/', 'x', '"'};
  size_t variants = 0, unreadable = 0, lost = 0;
  for (size_t at = 0; at < saved.size(); ++at) {
    for (uint8_t substitute : substitutes) {
      if (saved[at] == substitute) continue;
      std::vector<uint8_t> damaged = saved;
      damaged[at] = substitute;
      testing::WriteBytes(file, damaged);
      ++variants;
      auto store = FavoriteStore::Open(folder);
      if (!store->Unreadable()) {
        if (store->Count() != kSaved) {
          ++lost;
          ADD_FAILURE() << "byte " << at << " -> " << int{substitute} << ": read " << store->Count()
                        << " favourites";
        }
        continue;
      }
      // Unreadable: the next save keeps the damaged file byte for byte (checked for some of
      // them, saves being the slow part).
      if (unreadable++ % kSavedEvery != 0) continue;
      std::string kept;
      store->Add("new", SearchRequest());
      ASSERT_TRUE(store->Save(nullptr, &kept)) << at;
      EXPECT_EQ(testing::ReadBytes(kept), damaged) << at;
      RemoveFile(kept);
    }
  }
  std::printf("favourites sweep: %zu variants, %zu unreadable and kept, %zu lost silently\n",
              variants, unreadable, lost);
  EXPECT_EQ(lost, 0u);
  EXPECT_GT(unreadable, 0u);
}

}  // namespace
}  // namespace sorvik
