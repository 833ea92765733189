// The progress line of sorvik-cli index: share done, entries walked and time, rewritten in place
// on a terminal and redrawn while no text comes.
#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "lifecycle/build_index.h"
#include "platform/progress.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// The rewrites of a terminal line, each without its leading "\r" and its padding.
std::vector<std::string> Rewrites(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while ((start = text.find('\r', start)) != std::string::npos) {
    size_t end = text.find_first_of("\r\n", start + 1);
    std::string line = text.substr(start + 1, end == std::string::npos ? end : end - start - 1);
    line.erase(line.find_last_not_of(' ') + 1);
    lines.push_back(line);
    start += 1;
  }
  return lines;
}

std::string Slurp(FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

TEST(ProgressLine, ShowsTheShareTheEntriesAndTheTime) {
  FILE* out = std::tmpfile();
  {
    SetWalkedEntries(0);
    ProgressLine line(out, true, 2000);
    line.Show("start");
    SetWalkedEntries(1000);
    line.Show("half\nway");
    SetWalkedEntries(2600);  // more than the last index had: the walk's share is full
    line.Show("more");
    line.Show(kBuildingText);
  }
  const std::string text = Slurp(out);
  std::fclose(out);
  const std::vector<std::string> lines = Rewrites(text);
  ASSERT_EQ(lines.size(), 4u);
  // The walk fills 90 per cent; the name index is built after it.
  EXPECT_EQ(lines[0], "[00:00]   0% 0 entries  start");
  EXPECT_EQ(lines[1], "[00:00]  45% 1000 entries  half way");
  EXPECT_EQ(lines[2], "[00:00]  90% 2600 entries  more");
  EXPECT_EQ(lines[3].substr(0, 29), "[00:00]  90% 2600 entries    ");
  EXPECT_EQ(text.back(), '\n');
}

TEST(ProgressLine, WithoutALastIndexNoShareIsShown) {
  FILE* out = std::tmpfile();
  {
    SetWalkedEntries(12);
    ProgressLine line(out, true, 0);
    line.Show("walking");
  }
  const std::vector<std::string> lines = Rewrites(Slurp(out));
  std::fclose(out);
  EXPECT_EQ(lines, (std::vector<std::string>{"[00:00] 12 entries  walking"}));
  EXPECT_EQ(ProgressLine::Percent(5, 0, false), -1);
  EXPECT_EQ(ProgressLine::Percent(0, 10, true), 90);
  EXPECT_EQ(ProgressLine::Percent(4294967295u, 4294967295u, false), 90);
}

TEST(ProgressLine, RedrawnWhileNoTextComes) {
  testing::TempFolder folder;
  const std::string path = folder.Join("line.txt");
  FILE* out = std::fopen(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  {
    SetWalkedEntries(1);
    ProgressLine line(out, true, 10, 10);
    line.Show("text");
    SetWalkedEntries(7);
    // The redraw thread shows the new count without a new text (bounded wait).
    std::string shown;
    for (int i = 0; i < 500 && shown.find("63% 7 entries  text") == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      shown = testing::ReadText(path);
    }
    EXPECT_NE(shown.find("63% 7 entries  text"), std::string::npos) << shown.substr(0, 200);
  }
  std::fclose(out);
  // Not on a terminal: one line per text, never redrawn.
  FILE* pipe = std::tmpfile();
  {
    ProgressLine line(pipe, false, 10, 10);
    line.Show("one");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    line.Show("two");
  }
  EXPECT_EQ(Slurp(pipe), "one\ntwo\n");
  std::fclose(pipe);
}

}  // namespace
}  // namespace sorvik
