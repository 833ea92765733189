#include "platform/local_time.h"

#include <ctime>

namespace sorvik {
namespace {

constexpr int64_t kEpochDifference = 11644473600LL;  // seconds from 1601 to 1970
constexpr uint64_t kTicksPerSecond = 10000000ULL;
constexpr time_t kSteadyWindow = 2 * 3600;  // no offset change this close: nothing ambiguous

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

// Unix seconds of `ticks`; false for values FileTimeToSystemTime refuses (top bit set).
bool UnixSeconds(uint64_t ticks, time_t* seconds) {
  if (ticks >= 0x8000000000000000ULL) return false;
  *seconds = static_cast<time_t>(static_cast<int64_t>(ticks / kTicksPerSecond) - kEpochDifference);
  return true;
}

// Local time of `ticks` into `tm` and `local`.
bool Convert(uint64_t ticks, struct tm* tm, LocalTime* local) {
  time_t seconds;
  if (!UnixSeconds(ticks, &seconds) || ::localtime_r(&seconds, tm) == nullptr) return false;
  return FromTm(*tm, static_cast<uint16_t>(ticks % kTicksPerSecond / 10000), local);
}

// UTC offset at `seconds`, or 1 (no zone's offset) when unknown.
long OffsetAt(time_t seconds) {
  struct tm tm;
  return ::localtime_r(&seconds, &tm) == nullptr ? 1 : tm.tm_gmtoff;
}

}  // namespace

bool FileTimeToLocal(uint64_t ticks, LocalTime* local) {
  struct tm tm;
  return Convert(ticks, &tm, local);
}

bool FileTimeToLocalMinute(uint64_t ticks, LocalTime* local, int64_t* minute_seconds) {
  struct tm tm;
  time_t seconds;
  if (!Convert(ticks, &tm, local) || !UnixSeconds(ticks, &seconds)) return false;
  // With a whole-minute offset that holds around it, the local minute starts tm_sec seconds
  // earlier and is the only time with those local fields, so mktime would give the same.
  const time_t minute = seconds - tm.tm_sec;
  if (tm.tm_gmtoff % 60 == 0 && OffsetAt(minute - kSteadyWindow) == tm.tm_gmtoff &&
      OffsetAt(minute + kSteadyWindow) == tm.tm_gmtoff) {
    *minute_seconds = static_cast<int64_t>(minute);
  } else if (!LocalToUnixSeconds(local->year, local->month, local->day, local->hour, local->minute,
                                 minute_seconds)) {
    *minute_seconds = -1;
  }
  return true;
}

bool LocalNow(LocalTime* local) {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
  struct tm tm;
  if (::localtime_r(&now.tv_sec, &tm) == nullptr) return false;
  return FromTm(tm, static_cast<uint16_t>(now.tv_nsec / 1000000), local);
}

}  // namespace sorvik
