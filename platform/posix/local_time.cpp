#include "platform/local_time.h"

#include <ctime>

namespace sorvik {
namespace {

constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970
constexpr uint64_t kTicksPerSecond = 10000000ULL;

bool FromTm(const struct tm& tm, uint16_t milliseconds, LocalTime* local) {
  if (tm.tm_year + 1900 < 1601 || tm.tm_year + 1900 > 30827) return false;
  local->year = static_cast<uint16_t>(tm.tm_year + 1900);
  local->month = static_cast<uint16_t>(tm.tm_mon + 1);
  local->day_of_week = static_cast<uint16_t>(tm.tm_wday);
  local->day = static_cast<uint16_t>(tm.tm_mday);
  local->hour = static_cast<uint16_t>(tm.tm_hour);
  local->minute = static_cast<uint16_t>(tm.tm_min);
  local->second = static_cast<uint16_t>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
  local->milliseconds = milliseconds;
  return true;
}

}  // namespace

bool FileTimeToLocal(uint64_t ticks, LocalTime* local) {
  // FileTimeToSystemTime refuses values with the top bit set.
  if (ticks >= 0x8000000000000000ULL) return false;
  time_t seconds =
      static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference);
  struct tm tm;
  if (::localtime_r(&seconds, &tm) == nullptr) return false;
  return FromTm(tm, static_cast<uint16_t>(ticks % kTicksPerSecond / 10000), local);
}

bool LocalNow(LocalTime* local) {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  struct tm tm;
  if (::localtime_r(&now.tv_sec, &tm) == nullptr) return false;
  return FromTm(tm, static_cast<uint16_t>(now.tv_nsec / 1000000), local);
}

bool LocalToUnixSeconds(int year, int month, int day, int hour, int minute, int64_t* seconds) {
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  time_t result = ::mktime(&tm);
  if (result == static_cast<time_t>(-1)) return false;
  *seconds = static_cast<int64_t>(result);
  return true;
}

}  // namespace sorvik
