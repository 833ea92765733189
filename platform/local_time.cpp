// The part of the local-time service that is the same on both systems: the C library's mktime
// (64-bit time_t on both builds; MinGW-w64 maps it to _mktime64).
#include "platform/local_time.h"

#include <ctime>

namespace sorvik {

bool LocalToUnixSeconds(int year, int month, int day, int hour, int minute, int64_t* seconds) {
  struct tm tm = {};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = 0;
  tm.tm_isdst = -1;
  time_t result = std::mktime(&tm);
  if (result == static_cast<time_t>(-1)) return false;
  *seconds = static_cast<int64_t>(result);
  return true;
}

}  // namespace sorvik
