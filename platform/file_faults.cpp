#include "platform/file_faults.h"

#include <atomic>

namespace sorvik {
namespace {

std::atomic<FileFaultHook*> g_hook{nullptr};  // the installed hook; null outside tests
thread_local uint32_t t_failed_writes = 0;    // failed writes of this thread
thread_local std::string t_last_failure;      // why the last of them failed

}  // namespace

void InstallFileFaultHook(FileFaultHook* hook) { g_hook.store(hook); }

bool FileOpAllowed(FileOp op, const std::string& path) {
  FileFaultHook* hook = g_hook.load(std::memory_order_relaxed);
  return hook == nullptr || hook->Allow(op, path);
}

uint32_t FailedFileWrites() { return t_failed_writes; }

Status FailedFileWritesSince(uint32_t before) {
  return t_failed_writes == before ? Status::Ok() : Status::IOError(t_last_failure);
}

void CountFailedFileWrite(const std::string& path, uint32_t error) {
  ++t_failed_writes;
  t_last_failure = "cannot write " + path + ": " + SystemErrorText(error);
}

}  // namespace sorvik
