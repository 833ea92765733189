#include "lifecycle/index_environment.h"

#include "lifecycle/index_schedule.h"
#include "platform/find.h"
#include "platform/fs.h"
#include "platform/local_time.h"
#include "platform/sync.h"
#include "settings/config_store.h"

namespace sorvik {
namespace {

double DateOf(const LocalTime& time) {
  return OleDate(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

void (*g_online_step)() = nullptr;  // set once by the program before the thread starts

}  // namespace

void SystemIndexEnvironment::SetOnlineStep(void (*step)()) { g_online_step = step; }

void SystemIndexEnvironment::FetchNoticesAndUpdates() {
  if (g_online_step != nullptr) g_online_step();
}

double SystemIndexEnvironment::Now() {
  LocalTime now;
  return LocalNow(&now) ? DateOf(now) : 0.0;
}

bool SystemIndexEnvironment::LastWriteDate(const std::string& path, double* date) {
  FindRecord record;
  intptr_t handle = FindFirstEntry(path, &record);
  if (handle == kInvalidFind) return false;
  FindCloseEntry(handle);
  LocalTime local;
  if (!FileTimeToLocal(record.last_write, &local)) return false;
  *date = DateOf(local);
  return true;
}

void SystemIndexEnvironment::Sleep(uint32_t ms) { SleepMs(ms); }

bool SystemIndexEnvironment::Wait(ManualResetEvent* event, uint32_t ms) { return event->Wait(ms); }

int SystemIndexEnvironment::UpdateFrequency() {
  return settings_->GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq);
}

Status SystemIndexEnvironment::Build() { return BuildIndex(settings_, build_); }

bool SystemIndexEnvironment::LiveUpdate() { return settings_->GetBool(kConfigLiveUpdate, true); }

}  // namespace sorvik
