// The updater's journal as text: what the updater, the start-up repair and the uninstaller read.
#include "update/update_journal.h"

#include <gtest/gtest.h>

namespace sorvik {
namespace {

TEST(UpdateJournal, FormatsAndReadsBack) {
  UpdateJournal journal;
  journal.state = UpdateJournal::State::kCommitted;
  journal.puts = {{"C:\\软件\\Sorvik.exe", true}, {"C:\\软件\\docs\\new.txt", false}};
  journal.installed = {"C:\\软件\\notes.txt"};
  journal.folders = {"C:\\软件\\docs"};
  const std::string text = FormatJournal(journal);
  EXPECT_EQ(text,
            "state\tcommitted\nput\t1\tC:\\软件\\Sorvik.exe\nput\t0\tC:\\软件\\docs\\new.txt\n"
            "installed\tC:\\软件\\notes.txt\nfolder\tC:\\软件\\docs\n");
  const UpdateJournal back = ParseJournal(text);
  EXPECT_EQ(back.state, UpdateJournal::State::kCommitted);
  ASSERT_EQ(back.puts.size(), 2u);
  EXPECT_EQ(back.puts[0].target, "C:\\软件\\Sorvik.exe");
  EXPECT_TRUE(back.puts[0].had_old);
  EXPECT_FALSE(back.puts[1].had_old);
  EXPECT_EQ(back.installed, journal.installed);
  EXPECT_EQ(back.folders, journal.folders);
}

TEST(UpdateJournal, DamagedTextAndRepeats) {
  // Malformed lines are skipped, CR LF line ends read, paths kept once whatever their letter case.
  const UpdateJournal journal = ParseJournal(
      "state\tpending\r\nput\t2\tC:\\a\nput\t1\nput\t1C:\\b\nbogus\tC:\\c\n\ninstalled\tC:\\P\\a."
      "txt\n"
      "installed\tc:\\p\\A.TXT\nfolder\t\nput\t0\tC:\\d");
  EXPECT_EQ(journal.state, UpdateJournal::State::kPending);
  ASSERT_EQ(journal.puts.size(), 1u);
  EXPECT_EQ(journal.puts[0].target, "C:\\d");
  EXPECT_EQ(journal.installed, std::vector<std::string>{"C:\\P\\a.txt"});
  EXPECT_TRUE(journal.folders.empty());
  // No state line at all: idle, and nothing is undone.
  EXPECT_EQ(ParseJournal("put\t0\tC:\\x\n").state, UpdateJournal::State::kIdle);
  EXPECT_EQ(ParseJournal("").state, UpdateJournal::State::kIdle);
}

}  // namespace
}  // namespace sorvik
