#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/progress.h"
#include "testing/progress_test_support.h"

namespace sorvik {
namespace {

std::vector<std::string>& g_texts = testing::ReceivedProgressTexts();

TEST(ProgressWin32, PostedAndSentTextsReachTheDialog) {
  g_texts.clear();
  EXPECT_EQ(FindProgressWindow(), 0u);
  HWND dialog = testing::CreateProgressRecorder();
  ASSERT_NE(dialog, nullptr) << "windows need an X display (run under xvfb-run)";
  uintptr_t window = FindProgressWindow();
  EXPECT_EQ(window, reinterpret_cast<uintptr_t>(dialog));
  // A posted text is a copy: changing the sender's text afterwards does not reach the dialog.
  std::string text = "\xD5\xFD\xD4\xDA\n";
  EXPECT_TRUE(PostProgressText(window, text));
  text.assign(100, 'x');
  EXPECT_TRUE(SendProgressText(window, "\r\n"));  // handled before the posted one is pumped
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(g_texts, (std::vector<std::string>{"\r\n", "\xD5\xFD\xD4\xDA\n"}));
  // Once the dialog is gone, neither reaches anyone and the copies are freed by the sender.
  DestroyWindow(dialog);
  EXPECT_FALSE(PostProgressText(window, "late"));
  EXPECT_FALSE(SendProgressText(window, "late"));
  EXPECT_EQ(FindProgressWindow(), 0u);
  UnregisterClassA(kProgressWindowClass, GetModuleHandleA(nullptr));
}

}  // namespace
}  // namespace sorvik
