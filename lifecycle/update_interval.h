// The rebuild intervals the user can choose, in the order the index page lists them.
#pragma once

namespace sorvik {

struct UpdateInterval {
  int minutes;        // the "index_update_freq" value; -1 rebuilds only when asked
  const char* label;  // the text of the choice
};

constexpr UpdateInterval kUpdateIntervals[] = {
    {-1, "手工更新索引"},        {10, "每10分钟更新一次索引"}, {30, "每30分钟更新一次索引"},
    {60, "每小时更新一次索引"},  {360, "每6小时更新一次索引"}, {1440, "每天更新一次索引"},
    {10080, "每周更新一次索引"},
};
constexpr int kUpdateIntervalCount = sizeof kUpdateIntervals / sizeof kUpdateIntervals[0];

}  // namespace sorvik
