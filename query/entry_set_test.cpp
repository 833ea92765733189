#include "query/entry_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace sorvik {
namespace {

using Model = std::vector<bool>;  // index = entry id; index 0 unused

std::vector<uint32_t> ModelIds(const Model& model) {
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id < model.size(); ++id) {
    if (model[id]) ids.push_back(id);
  }
  return ids;
}

std::vector<uint32_t> SetIds(const EntrySet& set) {
  std::vector<uint32_t> ids;
  set.ForEachId([&](uint32_t id) { ids.push_back(id); });
  return ids;
}

// No bit of the raw bitmap lies beyond id N.
bool TailClean(const EntrySet& set) {
  if (set.bitCount() % 8 == 0) return true;
  return (set.bytes()[set.byteCount() - 1] >> (set.bitCount() % 8)) == 0;
}

TEST(EntrySet, EdgeCases) {
  {  // A full set of 16 fills both bytes; of 13 only ids 1..13.
    auto sixteen = EntrySet::Create(16, 0xFF);
    EXPECT_EQ(std::vector<uint8_t>(sixteen->bytes(), sixteen->bytes() + 2),
              (std::vector<uint8_t>{0xFF, 0xFF}));
    auto thirteen = EntrySet::Create(13, 0xFF);
    EXPECT_EQ(std::vector<uint8_t>(thirteen->bytes(), thirteen->bytes() + 2),
              (std::vector<uint8_t>{0xFF, 0x1F}));
    EXPECT_EQ(thirteen->Count(), 13u);
    EXPECT_EQ(EntrySet::Create(0, 0xFF)->Count(), 0u);
  }
  {  // ClearRange inside one byte clears exactly a .. b - 1; b = a + 1 clears only a.
    auto set = EntrySet::Create(16, 0xFF);
    set->ClearRange(3, 6);
    EXPECT_EQ(set->bytes()[0], 0xE3);
    set->ClearRange(9, 10);
    EXPECT_EQ(set->bytes()[1], 0xFE);
    set->ClearRange(12, 12);  // empty range
    EXPECT_EQ(set->Count(), 12u);
  }
  {  // KeepRange(5, 5) keeps at most id 5.
    auto set = EntrySet::Create(20, 0xFF);
    set->KeepRange(5, 5);
    EXPECT_EQ(SetIds(*set), std::vector<uint32_t>{5});
    set->ClearId(5);
    set->KeepRange(5, 5);
    EXPECT_EQ(set->Count(), 0u);
  }
  {  // Sets of another size and raw writes cannot leave bits beyond N.
    auto small = EntrySet::Create(13, 0x00);
    small->Or(*EntrySet::Create(200, 0xFF));
    EXPECT_EQ(small->Count(), 13u);
    EXPECT_TRUE(TailClean(*small));
    auto big = EntrySet::Create(200, 0xFF);
    big->And(*EntrySet::Create(13, 0xFF));
    EXPECT_EQ(big->Count(), 13u);
    std::fill(small->bytes(), small->bytes() + small->byteCount(), 0xFF);
    small->ClearPastEnd();
    EXPECT_EQ(small->Count(), 13u);
  }
}

TEST(EntrySetCursor, PagesOfAThousandIds) {
  auto set = EntrySet::Create(5003, 0x00);
  std::vector<uint32_t> all;
  for (uint32_t id = 3; all.size() < 1000; id += 5) all.push_back(id);
  set->SetIds(all.data(), static_cast<uint32_t>(all.size()));
  EntrySetCursor cursor(*set);
  EXPECT_EQ(cursor.Count(), 1000u);
  std::vector<uint32_t> page1, page2, beyond, everything;
  EXPECT_EQ(cursor.CollectRanks(1, 800, &page1), 800u);
  EXPECT_EQ(cursor.CollectRanks(801, 800, &page2), 200u);
  EXPECT_EQ(cursor.CollectRanks(1601, 800, &beyond), 0u);
  EXPECT_EQ(cursor.CollectRanks(1, static_cast<uint32_t>(-1), &everything), 1000u);
  // The second page starts where the first stops: no id on both.
  EXPECT_EQ(std::vector<uint32_t>(all.begin(), all.begin() + 800), page1);
  EXPECT_EQ(std::vector<uint32_t>(all.begin() + 800, all.end()), page2);
  EXPECT_EQ(everything, all);
}

// Random sets and operations compared with a vector<bool> model.
class ModelRun {
 public:
  ModelRun(uint32_t n, uint32_t seed) : n_(n), random_(seed) {}

  void Run(int steps) {
    const bool full = Pick(2) == 1;
    set_ = EntrySet::Create(n_, full ? 0xFF : 0x00);
    model_.assign(n_ + 1, full);
    model_[0] = false;
    for (int step = 0; step < steps; ++step) {
      Step();
      Check();
    }
  }

 private:
  uint32_t Pick(uint32_t bound) { return bound == 0 ? 0 : random_() % bound; }
  // An id or range end at or past the edges: 0, 1..N+3, or the largest value.
  uint32_t Edge() { return Pick(10) == 0 ? 0xFFFFFFFFu : Pick(n_ + 4); }

  std::unique_ptr<EntrySet> RandomSet(Model* model) {
    auto set = EntrySet::Create(n_, 0x00);
    model->assign(n_ + 1, false);
    std::vector<uint32_t> ids(Pick(n_ + 2));
    for (uint32_t& id : ids) {
      id = Edge();
      if (id >= 1 && id <= n_) (*model)[id] = true;
    }
    set->SetIds(ids.data(), static_cast<uint32_t>(ids.size()));
    return set;
  }

  // Clears the model's ids where `drop` holds.
  template <typename Drop>
  void DropWhere(Drop drop) {
    for (uint32_t id = 1; id <= n_; ++id) {
      if (drop(id)) model_[id] = false;
    }
  }

  void Step() {
    Model other;
    const uint32_t a = Edge(), b = Edge();
    switch (Pick(7)) {
      case 0:
        set_->Or(*RandomSet(&other));
        for (uint32_t id = 1; id <= n_; ++id) model_[id] = model_[id] || other[id];
        break;
      case 1:
        set_->And(*RandomSet(&other));
        DropWhere([&](uint32_t id) { return !other[id]; });
        break;
      case 2: {  // a raw bitmap whose last byte may carry bits beyond N
        std::vector<uint8_t> raw(set_->byteCount());
        for (uint8_t& byte : raw) byte = static_cast<uint8_t>(Pick(4) == 0 ? 0xFF : random_());
        set_->AndBytes(raw.data());
        DropWhere([&](uint32_t id) { return !((raw[(id - 1) / 8] >> ((id - 1) % 8)) & 1); });
        break;
      }
      case 3:
        set_->ClearRange(a, b);
        DropWhere([&](uint32_t id) { return id >= a && id < b; });
        break;
      case 4:
        set_->KeepRange(a, b);
        DropWhere([&](uint32_t id) { return id < a || id > b; });
        break;
      case 5:
        set_->ClearId(a);
        DropWhere([&](uint32_t id) { return id == a; });
        break;
      default: {
        const uint32_t divisor = 2 + Pick(5);
        auto drop = [&](uint32_t id) { return id % divisor == 0; };
        set_->ClearIdsWhere(drop);
        DropWhere(drop);
      }
    }
  }

  void Check() {
    const std::vector<uint32_t> ids = ModelIds(model_);
    ASSERT_EQ(SetIds(*set_), ids) << "N = " << n_;
    ASSERT_EQ(set_->Count(), ids.size());
    ASSERT_TRUE(TailClean(*set_));
    EntrySetCursor cursor(*set_);
    const uint32_t first = Pick(static_cast<uint32_t>(ids.size()) + 3);
    const uint32_t count = Pick(4) == 0 ? 0xFFFFFFFFu : Pick(static_cast<uint32_t>(ids.size()) + 3);
    std::vector<uint32_t> expected, got;
    for (uint64_t rank = first == 0 ? 1 : first; rank <= ids.size() && expected.size() < count;
         ++rank) {
      expected.push_back(ids[rank - 1]);
    }
    ASSERT_EQ(cursor.CollectRanks(first, count, &got), expected.size());
    ASSERT_EQ(got, expected) << "N = " << n_ << " first " << first << " count " << count;
  }

  uint32_t n_;
  std::mt19937 random_;
  std::unique_ptr<EntrySet> set_;
  Model model_;
};

TEST(EntrySet, MatchesModel) {
  std::mt19937 sizes(7);
  std::vector<uint32_t> counts = {0, 1, 7, 8, 9, 31, 32, 33, 63, 64, 65, 100, 257};
  for (int i = 0; i < 8; ++i) counts.push_back(sizes() % 3000);
  for (uint32_t n : counts) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
      ModelRun(n, seed * 1000 + n).Run(30);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

}  // namespace
}  // namespace sorvik
