#include <atomic>

#include "platform/progress.h"

namespace sorvik {
namespace {

std::atomic<uint32_t> g_walked_entries{0};

}  // namespace

void SetWalkedEntries(uint32_t count) { g_walked_entries.store(count, std::memory_order_relaxed); }

uint32_t WalkedEntries() { return g_walked_entries.load(std::memory_order_relaxed); }

}  // namespace sorvik
