#include "lifecycle/index_schedule.h"

#include <cstdlib>

namespace sorvik {
namespace {

// Half a second in days: the age is rounded to whole seconds before it is cut to minutes.
constexpr double kHalfSecondInDays = 0.5 / 86400.0;

// Days from 1899-12-30 to the given civil date (proleptic Gregorian).
int64_t DaysFromEpoch(int year, int month, int day) {
  // Days from 0000-03-01, shifted so that the leap day ends the year.
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t year_of_era = y - era * 400;
  int64_t month_index = month > 2 ? month - 3 : month + 9;
  int64_t day_of_year = (153 * month_index + 2) / 5 + day - 1;
  int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  int64_t days = era * 146097 + day_of_era;
  const int64_t kEpoch = 693899;  // the same count for 1899-12-30
  return days - kEpoch;
}

}  // namespace

double OleDate(int year, int month, int day, int hour, int minute, int second) {
  double days = static_cast<double>(DaysFromEpoch(year, month, day));
  return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

int64_t AgeInMinutes(double now, double last_write) {
  double age = now - last_write;
  age += age < 0 ? -kHalfSecondInDays : kHalfSecondInDays;
  return static_cast<int64_t>(age * 1440.0);
}

bool ScheduledRebuildDue(int frequency, bool index_found, double now, double last_write) {
  if (!index_found) return frequency != kManualOnly;
  if (frequency == kManualOnly) return false;
  return AgeInMinutes(now, last_write) > frequency;
}

}  // namespace sorvik
