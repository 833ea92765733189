#include "ui/options/interval_list.h"

#include <string>

#include "lifecycle/update_interval.h"
#include "settings/config_store.h"

namespace sorvik {

void FillIntervalList(HWND list, int minutes, int extra) {
  for (int i = 0; i < kUpdateIntervalCount; ++i) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kUpdateIntervals[i].label));
    if (kUpdateIntervals[i].minutes == minutes) SendMessageA(list, CB_SETCURSEL, i, 0);
  }
  RECT dropped;
  SendMessageA(list, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  HWND parent = GetParent(list);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&dropped), 2);
  MoveWindow(list, dropped.left, dropped.top, dropped.right - dropped.left,
             dropped.bottom - dropped.top + extra, TRUE);
}

bool SelectedInterval(HWND list, int* minutes) {
  const int choice = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
  if (choice < 0 || choice >= kUpdateIntervalCount) return false;
  *minutes = kUpdateIntervals[choice].minutes;
  return true;
}

int StoredInterval(ConfigStore* settings) {
  std::string text;
  if (settings->Get(kConfigIndexUpdateFreq, &text))
    return settings->GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq);
  settings->Set(kConfigIndexUpdateFreq, std::to_string(kDefaultUpdateFreq));
  return kDefaultUpdateFreq;
}

}  // namespace sorvik
