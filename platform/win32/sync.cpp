#include "platform/sync.h"

#include <windows.h>

namespace sorvik {

struct ManualResetEvent::State {
  HANDLE handle = nullptr;
};

ManualResetEvent::ManualResetEvent(const std::string& name) : state_(new State) {
  state_->handle = CreateEventA(nullptr, TRUE, FALSE, name.empty() ? nullptr : name.c_str());
}

ManualResetEvent::~ManualResetEvent() {
  if (state_->handle != nullptr) CloseHandle(state_->handle);
}

void ManualResetEvent::Set() { SetEvent(state_->handle); }

void ManualResetEvent::Reset() { ResetEvent(state_->handle); }

bool ManualResetEvent::Wait(uint32_t ms) {
  return WaitForSingleObject(state_->handle, ms) == WAIT_OBJECT_0;
}

}  // namespace sorvik
