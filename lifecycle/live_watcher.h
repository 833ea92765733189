// The watch threads: one per watched drive, each waiting on its drive's recursive change watch
// (platform/watch.h) and handing the changed paths on. They never touch a window; the index
// manager applies what they report.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sorvik {

class LiveWatcher {
 public:
  // Called on a watch thread with the paths that changed on one drive.
  using ChangesFn = std::function<void(std::vector<std::string>* paths)>;
  // Called on a watch thread when changes were lost (overflow) or a running watch failed.
  using LostFn = std::function<void(const std::string& reason)>;

  static constexpr uint32_t kWaitMs = 200;     // a watch thread looks at its stop flag this often
  static constexpr uint32_t kRetryMs = 30000;  // a watch that could not start is tried again

  LiveWatcher(ChangesFn changes, LostFn lost);
  ~LiveWatcher();  // stops every watch thread
  LiveWatcher(const LiveWatcher&) = delete;
  LiveWatcher& operator=(const LiveWatcher&) = delete;

  // Keeps exactly one watch thread per root of `roots` ("C:"): starts the missing ones, stops the
  // others, and starts again those that ended more than kRetryMs ago. `now_ms` is a monotonic
  // time in milliseconds.
  void Watch(const std::vector<std::string>& roots, uint64_t now_ms);
  // Roots whose watch runs now, and the system watches they hold.
  uint32_t Running(uint32_t* system_watches) const;
  // The reasons the last watches that could not start gave, one line each (for diagnostics).
  std::string Failures() const;

 private:
  struct Drive;
  void Run(Drive* drive);

  ChangesFn changes_;                           // where changed paths go
  LostFn lost_;                                 // where lost changes are reported
  std::vector<std::unique_ptr<Drive>> drives_;  // one per watched root
};

}  // namespace sorvik
