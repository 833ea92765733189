// Local time: FILETIME ticks to the local calendar, the local time now, and a local calendar
// time back to Unix seconds. Win32: FileTimeToLocalFileTime + FileTimeToSystemTime,
// GetLocalTime, mktime (platform/win32/local_time.cpp). POSIX: localtime_r and mktime
// (platform/posix/local_time.cpp), which give the same results for the same time zone.
#pragma once

#include <cstdint>

namespace sorvik {

// The fields of a SYSTEMTIME.
struct LocalTime {
  uint16_t year;          // e.g. 2008
  uint16_t month;         // 1..12
  uint16_t day_of_week;   // 0 = Sunday
  uint16_t day;           // 1..31
  uint16_t hour;          // 0..23
  uint16_t minute;        // 0..59
  uint16_t second;        // 0..59
  uint16_t milliseconds;  // 0..999
};

// Converts `ticks` (100 ns since 1601-01-01 00:00 UTC, a FILETIME) to local time. False when
// the system cannot convert it (a value out of the calendar's range).
bool FileTimeToLocal(uint64_t ticks, LocalTime* local);

// FileTimeToLocal, and also the Unix seconds of the local minute that holds `ticks`, as
// LocalToUnixSeconds gives them for the local year, month, day, hour and minute; -1 when they
// cannot be computed. On POSIX this avoids mktime (which rereads the zone file on every call)
// wherever the zone's offset stays the same for two hours on either side, so that no local
// time there is ambiguous or skipped.
bool FileTimeToLocalMinute(uint64_t ticks, LocalTime* local, int64_t* minute_seconds);

// The local time now. False when it cannot be computed.
bool LocalNow(LocalTime* local);

// Seconds since 1970-01-01 00:00 UTC of a local calendar time with seconds 0, daylight saving
// decided by the system (mktime with tm_isdst = -1). False when mktime fails.
bool LocalToUnixSeconds(int year, int month, int day, int hour, int minute, int64_t* seconds);

}  // namespace sorvik
