// The drop-down of rebuild intervals shared by "选项" and the index page of "系统选项", and the
// interval setting they both read and write.
#pragma once

#include <windows.h>

namespace sorvik {

class ConfigStore;

constexpr int kIntervalDropDownExtra = 80;  // pixels added to the open list's default height

// Fills the drop-down `list` with the interval choices and selects the one of `minutes` (none
// when no choice has that many); makes its open list `extra` pixels taller.
void FillIntervalList(HWND list, int minutes, int extra);
// The minutes of the choice selected in `list`, or false when none is selected.
bool SelectedInterval(HWND list, int* minutes);
// The interval stored in `settings`; a missing key is written as 60 minutes first.
int StoredInterval(ConfigStore* settings);

}  // namespace sorvik
