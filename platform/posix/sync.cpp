#include "platform/sync.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sorvik {

struct ManualResetEvent::State {
  std::mutex lock;
  std::condition_variable changed;
  bool set = false;
};

ManualResetEvent::ManualResetEvent(const std::string&) : state_(new State) {}

ManualResetEvent::~ManualResetEvent() = default;

void ManualResetEvent::Set() {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->set = true;
  state_->changed.notify_all();
}

void ManualResetEvent::Reset() {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->set = false;
}

bool ManualResetEvent::Wait(uint32_t ms) {
  std::unique_lock<std::mutex> hold(state_->lock);
  return state_->changed.wait_for(hold, std::chrono::milliseconds(ms),
                                  [this] { return state_->set; });
}

}  // namespace sorvik
