#include "platform/progress.h"

#include <cstring>
#include <mutex>

namespace sorvik {
namespace {

std::recursive_mutex& SinkLock() {
  static std::recursive_mutex lock;
  return lock;
}

ProgressSink*& Sink() {
  static ProgressSink* sink = nullptr;
  return sink;
}

uintptr_t CopyText(const std::string& text) {
  char* copy = new char[text.size() + 1];
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return reinterpret_cast<uintptr_t>(copy);
}

bool Deliver(uintptr_t window, const std::string& text, bool sent) {
  std::lock_guard<std::recursive_mutex> hold(SinkLock());
  ProgressSink* sink = Sink();
  if (sink == nullptr || window != reinterpret_cast<uintptr_t>(sink)) return false;
  sink->OnProgressText(CopyText(text), sent);
  return true;
}

}  // namespace

uintptr_t FindProgressWindow() {
  std::lock_guard<std::recursive_mutex> hold(SinkLock());
  return reinterpret_cast<uintptr_t>(Sink());
}

bool PostProgressText(uintptr_t window, const std::string& text) {
  return Deliver(window, text, false);
}

bool SendProgressText(uintptr_t window, const std::string& text) {
  return Deliver(window, text, true);
}

bool SendIndexDone(uintptr_t window, const char* text) {
  std::lock_guard<std::recursive_mutex> hold(SinkLock());
  ProgressSink* sink = Sink();
  if (sink == nullptr || window != reinterpret_cast<uintptr_t>(sink)) return false;
  sink->OnIndexDone(text);
  return true;
}

void FreeProgressText(uintptr_t wparam) { delete[] reinterpret_cast<char*>(wparam); }

bool InstallProgressSink(ProgressSink* sink) {
  std::lock_guard<std::recursive_mutex> hold(SinkLock());
  Sink() = sink;
  return true;
}

}  // namespace sorvik
