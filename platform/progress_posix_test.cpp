#include <gtest/gtest.h>

#include "platform/progress.h"
#include "testing/recording_progress_sink.h"

namespace sorvik {
namespace {

TEST(ProgressPosix, SinkStandsForTheDialog) {
  // No sink: no window, nothing delivered.
  EXPECT_EQ(FindProgressWindow(), 0u);
  EXPECT_FALSE(PostProgressText(0, "x"));
  RecordingProgressSink sink;
  ASSERT_TRUE(InstallProgressSink(&sink));
  uintptr_t window = FindProgressWindow();
  ASSERT_NE(window, 0u);
  // Texts arrive in order, each a copy the receiver frees, posted or sent.
  std::string text = "\xD5\xFD\xD4\xDA\n";
  EXPECT_TRUE(PostProgressText(window, text));
  text = "changed";
  EXPECT_TRUE(SendProgressText(window, "\r\n"));
  EXPECT_EQ(sink.texts, (std::vector<std::string>{"\xD5\xFD\xD4\xDA\n", "\r\n"}));
  EXPECT_EQ(sink.sent, (std::vector<bool>{false, true}));
  // A stale handle reaches nobody once the sink is gone.
  InstallProgressSink(nullptr);
  EXPECT_FALSE(PostProgressText(window, "late"));
  EXPECT_EQ(sink.texts.size(), 2u);
}

}  // namespace
}  // namespace sorvik
