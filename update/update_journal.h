// The updater's journal, "LiveUpdate.journal" in the program folder. It is written (whole, by a
// rename) before the updater replaces anything and again at each change of state, so that a
// start after a kill knows what to finish or take back; it also keeps, across updates, every
// file and folder that updates put in place, for the uninstaller.
//
// Text, one record a line ("\n"), paths in the system code page:
//   state<TAB>idle | pending | committed
//   put<TAB>0|1<TAB>PATH     a file of the update under way; 1 when an older file was there
//   installed<TAB>PATH       a file that an earlier update put in place
//   folder<TAB>PATH          a folder that an update created
#pragma once

#include <string>
#include <vector>

namespace sorvik {

constexpr char kJournalName[] = "LiveUpdate.journal";

struct JournalPut {
  std::string target;
  bool had_old = false;  // an older file was at `target` when the journal was written
};

struct UpdateJournal {
  enum class State { kIdle, kPending, kCommitted };
  State state = State::kIdle;
  std::vector<JournalPut> puts;        // the update under way (pending or committed)
  std::vector<std::string> installed;  // files earlier updates put in place
  std::vector<std::string> folders;    // folders updates created, parents first
};

std::string FormatJournal(const UpdateJournal& journal);
// Reads what FormatJournal wrote. Unknown or malformed lines are skipped; a text without a
// state line reads as idle.
UpdateJournal ParseJournal(const std::string& text);
// Adds `path` to `list` unless it is there already (compared without letter case).
void AddOnce(std::vector<std::string>* list, const std::string& path);

}  // namespace sorvik
