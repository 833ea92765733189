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

}  // namespace sorvik
