// The readers of the server's texts, on ordinary and on hostile input.
#include "update/update_formats.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

TEST(NoticeLines, LengthRuleAndLineEnds) {
  // A 3-byte line is dropped, a 4-byte one kept; "\r" stays part of its line.
  EXPECT_EQ(ParseNoticeLines("a\tb\nab\tc\nText\thttp://x\ttip\r\nlast"),
            (std::vector<std::string>{"ab\tc", "Text\thttp://x\ttip\r", "last"}));
  EXPECT_TRUE(ParseNoticeLines("").empty());
  EXPECT_TRUE(ParseNoticeLines("\n\n\n").empty());
  // One endless line is one notice; endless line counts are cut at the cap.
  EXPECT_EQ(ParseNoticeLines(std::string(100000, 'x')).size(), 1u);
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "line\n";
  EXPECT_EQ(ParseNoticeLines(many).size(), kMaxNoticeLines);
}

TEST(VersionAnswer, OnlyTheExactFirstWordOk) {
  EXPECT_TRUE(VersionAnswerSaysOk("ok"));
  EXPECT_TRUE(VersionAnswerSaysOk("ok new version 10009"));
  EXPECT_TRUE(VersionAnswerSaysOk("\r\n\n  \tok\r\n"));
  EXPECT_FALSE(VersionAnswerSaysOk("okay"));
  EXPECT_FALSE(VersionAnswerSaysOk("OK"));
  EXPECT_FALSE(VersionAnswerSaysOk("Ok"));
  EXPECT_FALSE(VersionAnswerSaysOk("no ok"));
  EXPECT_FALSE(VersionAnswerSaysOk(""));
  EXPECT_FALSE(VersionAnswerSaysOk(std::string("o\0k", 3)));
}

TEST(UpdateList, FieldsLinesAndDamage) {
  std::vector<UpdateEntry> entries;
  // Four fields; "\r\n" line ends; the URL keeps its commas; short lines skipped.
  ASSERT_TRUE(
      ParseUpdateList("%AppPath%\\a.dll,1,ABC,http://h/"
                      "a.dll\r\nxyz\n\n%SystemRoot%\\b.ocx,0,DEF,http://h/b?x=1,2\n",
                      &entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].target, "%AppPath%\\a.dll");
  EXPECT_EQ(entries[0].register_flag, "1");
  EXPECT_EQ(entries[0].signature, "ABC");
  EXPECT_EQ(entries[0].url, "http://h/a.dll");
  EXPECT_EQ(entries[1].url, "http://h/b?x=1,2");
  // A line with fewer than four fields spoils the whole list.
  EXPECT_FALSE(ParseUpdateList("%AppPath%\\a.dll,1,ABC\n", &entries));
  EXPECT_TRUE(entries.empty());
  // Too many entries: the list is refused rather than cut.
  std::string many;
  for (size_t i = 0; i < kMaxUpdateEntries; ++i) many += "%AppPath%\\a,0,A,u\n";
  {  // exactly the most a list may hold is still used, one more is not
    EXPECT_TRUE(ParseUpdateList(many, &entries));
    EXPECT_EQ(entries.size(), kMaxUpdateEntries);
    many += "%AppPath%\\a,0,A,u\n";
    EXPECT_FALSE(ParseUpdateList(many, &entries));
    EXPECT_TRUE(entries.empty());
  }
  EXPECT_TRUE(ParseUpdateList("", &entries));
  EXPECT_TRUE(entries.empty());
}

TEST(UpdateTargets, StayInsideTheProgramAndSystemFolders) {
  const std::string program = "C:\\Prog", system = "C:\\Windows\\system32";
  const std::string staging = "C:\\Prog\\update_Quillet";
  TargetPaths paths;
  ASSERT_TRUE(ExpandTarget("%AppPath%\\sub\\a.dll", program, system, staging, &paths));
  EXPECT_EQ(paths.local, "C:\\Prog\\sub\\a.dll");
  EXPECT_EQ(paths.staged, "C:\\Prog\\update_Quillet\\app\\sub\\a.dll");
  ASSERT_TRUE(ExpandTarget("%SystemRoot%\\b.ocx", program, system, staging, &paths));
  EXPECT_EQ(paths.local, "C:\\Windows\\system32\\b.ocx");
  EXPECT_EQ(paths.staged, "C:\\Prog\\update_Quillet\\sys\\b.ocx");
  // Neither placeholder, a placeholder not at the start, climbs, drives, streams, odd names.
  for (const char* bad :
       {"C:\\a.dll", "a.dll", "C:\\x\\%AppPath%\\a.dll", "%AppPath%\\..\\a.dll",
        "%AppPath%\\sub\\..\\..\\a.dll", "%AppPath%\\...\\a.dll", "%AppPath%\\.\\a.dll",
        "%AppPath%", "%AppPath%\\", "%AppPath%a.dll", "%AppPath%\\a\\\\b", "%AppPath%\\D:\\a",
        "%AppPath%\\a.dll:stream", "%AppPath%\\..", "%AppPath%/../a.dll",
        "%AppPath%\\%SystemRoot%\\a", "%SystemRoot%\\..\\a.dll", "%apppath%\\a.dll"}) {
    EXPECT_FALSE(ExpandTarget(bad, program, system, staging, &paths)) << bad;
  }
  // A path longer than the system's buffers.
  EXPECT_FALSE(
      ExpandTarget("%AppPath%\\" + std::string(300, 'a'), program, system, staging, &paths));
}

}  // namespace
}  // namespace sorvik
