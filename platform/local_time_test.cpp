#include "platform/local_time.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

constexpr uint64_t kTicksPerSecond = 10000000ULL;
constexpr int64_t kEpochDifference = 11644473600LL;

uint64_t Ticks(int64_t unix_seconds) {
  return static_cast<uint64_t>(unix_seconds + kEpochDifference) * kTicksPerSecond;
}

TEST(LocalTime, ConversionsAgree) {
  // A local time converted back gives its minute: seconds dropped, whatever the zone.
  for (int64_t t : {31536000LL + 59, 1118836837LL, 1263988800LL, 1700000000LL + 123}) {
    LocalTime local;
    ASSERT_TRUE(FileTimeToLocal(Ticks(t), &local));
    int64_t back = 0;
    ASSERT_TRUE(
        LocalToUnixSeconds(local.year, local.month, local.day, local.hour, local.minute, &back));
    EXPECT_EQ(back, t - local.second) << t;
    LocalTime again;
    int64_t minute = 0;
    ASSERT_TRUE(FileTimeToLocalMinute(Ticks(t) + 1234567, &again, &minute));
    EXPECT_EQ(minute, back);
    EXPECT_EQ(again.year, local.year);
    EXPECT_EQ(again.milliseconds, 123);
  }
  // The earliest FILETIMEs convert (the year may be 1600 or 1601 by zone); the top bit fails.
  {
    LocalTime local;
    if (FileTimeToLocal(24 * 3600 * kTicksPerSecond, &local)) {
      EXPECT_EQ(local.year, 1601);
    }
    EXPECT_FALSE(FileTimeToLocal(0x8000000000000000ULL, &local));
  }
  // Now is a plausible year.
  {
    LocalTime now;
    ASSERT_TRUE(LocalNow(&now));
    EXPECT_GE(now.year, 2020);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
  }
}

}  // namespace
}  // namespace sorvik
