#include "platform/process_lock.h"

#include <gtest/gtest.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

using Mode = ProcessLock::Mode;

// Two objects stand for two processes: each opens the lock file itself.
TEST(ProcessLock, SharedHoldersExcludeOneExclusiveHolder) {
  testing::TempFolder folder;
  const std::string path = folder.Join("x.lock");
  ProcessLock a(path), b(path);
  {  // shared with shared
    ASSERT_TRUE(a.Lock(Mode::kShared, false));
    EXPECT_TRUE(b.Lock(Mode::kShared, false));
    b.Unlock();
  }
  {  // a shared holder keeps an exclusive one out, and the other way round
    EXPECT_FALSE(b.Lock(Mode::kExclusive, false));
    EXPECT_FALSE(b.Held());
    a.Unlock();
    ASSERT_TRUE(b.Lock(Mode::kExclusive, false));
    EXPECT_FALSE(a.Lock(Mode::kShared, false));
    EXPECT_FALSE(a.Lock(Mode::kExclusive, false));
  }
  {  // the counter is written by the exclusive holder and read by the next shared one
    EXPECT_EQ(b.ReadCounter(), 0u);
    EXPECT_TRUE(b.WriteCounter(0x01020304u));
    b.Unlock();
    ASSERT_TRUE(a.Lock(Mode::kShared, true));
    EXPECT_EQ(a.ReadCounter(), 0x01020304u);
    a.Unlock();
  }
  {  // the holder's end lets the next one in
    ProcessLock* c = new ProcessLock(path);
    ASSERT_TRUE(c->Lock(Mode::kExclusive, false));
    EXPECT_FALSE(a.Lock(Mode::kShared, false));
    delete c;
    EXPECT_TRUE(a.Lock(Mode::kShared, false));
  }
  // A folder that does not exist has no lock file to share.
  EXPECT_FALSE(
      ProcessLock(folder.Join("none") + testing::kSep + "x.lock").Lock(Mode::kShared, true));
}

}  // namespace
}  // namespace sorvik
