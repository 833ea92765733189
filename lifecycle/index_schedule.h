// The rebuild schedule: how the "index_update_freq" setting and the age of the live index decide
// whether the background thread rebuilds now.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

constexpr uint32_t kLogonStartDelayMs = 600000;  // after a "/auto" start: no index work for 10 min
constexpr uint32_t kWakeIntervalMs = 300000;     // the schedule is checked at least every 5 min
constexpr uint32_t kSwapSettleMs = 2000;         // pause after unloading, before the folders move
constexpr int kManualOnly = -1;                  // "index_update_freq": rebuild only on request

// A local calendar time as an automation date: days since 1899-12-30 with the time of day as
// the fraction, whole seconds.
double OleDate(int year, int month, int day, int hour, int minute, int second);

// The age between two automation dates in whole minutes: rounded to the nearest second, then
// truncated toward zero.
int64_t AgeInMinutes(double now, double last_write);

// Whether the loop step rebuilds: with no index file, unless rebuilding is manual only; with an
// index file, when it is more than `frequency` whole minutes old and rebuilding is scheduled.
bool ScheduledRebuildDue(int frequency, bool index_found, double now, double last_write);

}  // namespace sorvik
