#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>

#include "platform/local_time.h"

namespace sorvik {
namespace {

// Sets TZ for the life of the object.
class ZoneScope {
 public:
  explicit ZoneScope(const char* zone) {
    const char* old = ::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    ::setenv("TZ", zone, 1);
    ::tzset();
  }
  ~ZoneScope() {
    if (had_) {
      ::setenv("TZ", old_.c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  bool had_;         // TZ was set before
  std::string old_;  // its value then
};

// The shortcut for the local minute gives what mktime gives, in zones with daylight saving,
// half-hour shifts and offsets with seconds, across their transitions.
TEST(LocalTimePosix, LocalMinuteMatchesMktime) {
  for (const char* zone :
       {"Europe/Berlin", "Australia/Lord_Howe", "Africa/Monrovia", "America/St_Johns", "UTC"}) {
    ZoneScope scope(zone);
    uint64_t state = 12345;
    for (int i = 0; i < 20000; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      // 1971..2037, with a bias towards the hours around 02:00 local where shifts happen.
      int64_t t = 31536000 + static_cast<int64_t>((state >> 20) % 2100000000ULL);
      if (i % 2 == 0) t -= t % 86400 - static_cast<int64_t>((state >> 8) % 14400);
      uint64_t ticks = static_cast<uint64_t>(t + 11644473600LL) * 10000000ULL;
      LocalTime local;
      int64_t minute = 0, expected = 0;
      ASSERT_TRUE(FileTimeToLocalMinute(ticks, &local, &minute));
      ASSERT_TRUE(LocalToUnixSeconds(local.year, local.month, local.day, local.hour, local.minute,
                                     &expected));
      // An ambiguous local time (a repeated hour) may map to either of its moments.
      struct tm a, b;
      time_t x = static_cast<time_t>(minute), y = static_cast<time_t>(expected);
      ::localtime_r(&x, &a);
      ::localtime_r(&y, &b);
      EXPECT_TRUE(minute == expected ||
                  (a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_mday == b.tm_mday))
          << zone << " " << t;
    }
  }
}

}  // namespace
}  // namespace sorvik
