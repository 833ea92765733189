// A manual-reset event: set by one thread, waited for by another, cleared explicitly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace sorvik {

class ManualResetEvent {
 public:
  // `name` names the kernel object on Win32 (empty: unnamed); on POSIX it is only a label.
  explicit ManualResetEvent(const std::string& name);
  ~ManualResetEvent();
  ManualResetEvent(const ManualResetEvent&) = delete;
  ManualResetEvent& operator=(const ManualResetEvent&) = delete;

  void Set();
  void Reset();
  // Waits until the event is set or `ms` milliseconds have passed; true when it is set.
  bool Wait(uint32_t ms);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sorvik
