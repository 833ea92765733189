#include "platform/file_faults.h"

#include <atomic>

namespace sorvik {
namespace {

std::atomic<FileFaultHook*> g_hook{nullptr};  // the installed hook; null outside tests
thread_local uint32_t t_failed_writes = 0;    // failed writes of this thread

}  // namespace

void InstallFileFaultHook(FileFaultHook* hook) { g_hook.store(hook); }

bool FileOpAllowed(FileOp op, const std::string& path) {
  FileFaultHook* hook = g_hook.load(std::memory_order_relaxed);
  return hook == nullptr || hook->Allow(op, path);
}

uint32_t FailedFileWrites() { return t_failed_writes; }

void CountFailedFileWrite() { ++t_failed_writes; }

}  // namespace sorvik
