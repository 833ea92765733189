#include "lifecycle/index_schedule.h"

#include <gtest/gtest.h>

#include "lifecycle/index_environment.h"
#include "settings/config_store.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// The frequency the background thread reads from "index_update_freq".
TEST(IndexSchedule, FrequencySetting) {
  testing::TempFolder folder;
  ConfigStore settings(folder.Join("Config.xml"));
  SystemIndexEnvironment environment(&settings, BuildOptions(), false);
  EXPECT_EQ(environment.UpdateFrequency(), 60);  // missing key
  const std::pair<const char*, int> cases[] = {
      {"-1", -1}, {" 360 minutes", 360}, {"often", 0}, {"45", 45}};
  for (const auto& [text, minutes] : cases) {
    settings.Set(kConfigIndexUpdateFreq, text);
    EXPECT_EQ(environment.UpdateFrequency(), minutes) << text;  // leading number, 0 for none
  }
}

TEST(IndexSchedule, AutomationDates) {
  EXPECT_DOUBLE_EQ(OleDate(1899, 12, 30, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(OleDate(1970, 1, 1, 0, 0, 0), 25569.0);
  EXPECT_DOUBLE_EQ(OleDate(2000, 3, 1, 12, 0, 0), 36586.5);  // the day after a leap day
  EXPECT_DOUBLE_EQ(OleDate(2100, 3, 1, 0, 0, 0) - OleDate(2100, 2, 28, 0, 0, 0), 1.0);  // no leap
}

TEST(IndexSchedule, RebuildDecisions) {
  const double last = OleDate(2026, 12, 7, 8, 0, 0);
  auto at = [](int minute, int second) { return OleDate(2026, 12, 7, 8, minute, second); };
  // Manual only: nothing scheduled, with or without an index file.
  EXPECT_FALSE(ScheduledRebuildDue(kManualOnly, false, at(0, 0), 0));
  EXPECT_FALSE(ScheduledRebuildDue(kManualOnly, true, at(59, 0), last));
  // No index file: rebuild whenever a schedule is chosen.
  EXPECT_TRUE(ScheduledRebuildDue(10, false, at(0, 0), 0));
  // Every 10 minutes: 10 min 20 s is not more than 10 whole minutes; 11 minutes is.
  EXPECT_EQ(AgeInMinutes(at(10, 20), last), 10);
  EXPECT_FALSE(ScheduledRebuildDue(10, true, at(10, 20), last));
  EXPECT_TRUE(ScheduledRebuildDue(10, true, at(11, 0), last));
  // Whole minutes are cut, not rounded.
  EXPECT_EQ(AgeInMinutes(at(10, 59), last), 10);
  // A clock moved backwards gives a negative age: no rebuild.
  EXPECT_LT(AgeInMinutes(last, at(30, 0)), 0);
  EXPECT_FALSE(ScheduledRebuildDue(10, true, last, at(30, 0)));
  // Daily: a day and a minute.
  EXPECT_TRUE(ScheduledRebuildDue(1440, true, OleDate(2026, 12, 8, 8, 1, 0), last));
  EXPECT_FALSE(ScheduledRebuildDue(1440, true, OleDate(2026, 12, 8, 8, 0, 0), last));
}

}  // namespace
}  // namespace sorvik
