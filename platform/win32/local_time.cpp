#include "platform/local_time.h"

#include <windows.h>

#include <ctime>

namespace sorvik {
namespace {

void FromSystemTime(const SYSTEMTIME& time, LocalTime* local) {
  local->year = time.wYear;
  local->month = time.wMonth;
  local->day_of_week = time.wDayOfWeek;
  local->day = time.wDay;
  local->hour = time.wHour;
  local->minute = time.wMinute;
  local->second = time.wSecond;
  local->milliseconds = time.wMilliseconds;
}

}  // namespace

bool FileTimeToLocal(uint64_t ticks, LocalTime* local) {
  FILETIME utc, local_file;
  utc.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  utc.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME time;
  if (!FileTimeToLocalFileTime(&utc, &local_file)) return false;
  if (!FileTimeToSystemTime(&local_file, &time)) return false;
  FromSystemTime(time, local);
  return true;
}

bool FileTimeToLocalMinute(uint64_t ticks, LocalTime* local, int64_t* minute_seconds) {
  if (!FileTimeToLocal(ticks, local)) return false;
  if (!LocalToUnixSeconds(local->year, local->month, local->day, local->hour, local->minute,
                          minute_seconds)) {
    *minute_seconds = -1;
  }
  return true;
}

bool LocalNow(LocalTime* local) {
  SYSTEMTIME time;
  GetLocalTime(&time);
  FromSystemTime(time, local);
  return true;
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
  time_t result = mktime(&tm);  // 64-bit time_t in MinGW-w64 (_mktime64)
  if (result == static_cast<time_t>(-1)) return false;
  *seconds = static_cast<int64_t>(result);
  return true;
}

}  // namespace sorvik
