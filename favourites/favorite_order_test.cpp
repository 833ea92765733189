#include "favourites/favorite_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace sorvik {
namespace {

// The letters of "ABCDE" (or of `from`) in the order MovedOrder gives.
std::string Moved(std::vector<size_t> moved, int drop, const std::string& from = "ABCDE") {
  std::string result;
  for (size_t position : MovedOrder(from.size(), moved, drop)) result += from.at(position);
  return result;
}

TEST(FavoriteOrder, OneItemLandsJustBeforeTheDropItem) {
  EXPECT_EQ(Moved({0}, 3), "BCADE");   // A onto D
  EXPECT_EQ(Moved({4}, 1), "AEBCD");   // E onto B
  EXPECT_EQ(Moved({1}, 0), "BACDE");   // onto the first item
  EXPECT_EQ(Moved({2}, 3), "ABCDE");   // onto its lower neighbour: already in place
  EXPECT_EQ(Moved({3}, 3), "ABCDE");   // onto itself
  EXPECT_EQ(Moved({0}, -1), "BCDEA");  // below the last item
  EXPECT_EQ(Moved({4}, -1), "ABCDE");
}

TEST(FavoriteOrder, SeveralItemsKeepTheirRelativeOrder) {
  EXPECT_EQ(Moved({0, 2}, 4), "BDACE");
  EXPECT_EQ(Moved({3, 1}, 0), "BDACE");      // the order they are given in does not matter
  EXPECT_EQ(Moved({0, 4}, 2), "BAECD");      // from above and below the drop item
  EXPECT_EQ(Moved({0, 2, 4}, -1), "BDACE");  // appended below the last item
  EXPECT_EQ(Moved({1, 2}, 2), "ABCDE");      // onto one of themselves: nothing changes
  EXPECT_EQ(Moved({1, 2}, 1), "ABCDE");
  EXPECT_EQ(Moved({0, 1, 2, 3, 4}, 2), "ABCDE");
}

TEST(FavoriteOrder, OddInputsStayAPermutation) {
  EXPECT_EQ(Moved({1, 1, 9}, 0), "BACDE");  // repeats and positions beyond the list ignored
  EXPECT_EQ(Moved({1}, 99), "ACDEB");       // a drop beyond the list appends
  EXPECT_EQ(Moved({}, 2), "ABCDE");
  EXPECT_TRUE(MovedOrder(0, {0}, -1).empty());
  // Every choice of moved items and drop position gives each old position exactly once.
  for (unsigned mask = 0; mask < 32; ++mask) {
    std::vector<size_t> moved;
    for (size_t i = 0; i < 5; ++i)
      if (mask & (1u << i)) moved.push_back(i);
    for (int drop = -1; drop < 5; ++drop) {
      std::vector<size_t> order = MovedOrder(5, moved, drop);
      std::vector<size_t> sorted(order);
      std::sort(sorted.begin(), sorted.end());
      EXPECT_EQ(sorted, (std::vector<size_t>{0, 1, 2, 3, 4})) << mask << " " << drop;
    }
  }
}

}  // namespace
}  // namespace sorvik
