#include <windows.h>

#include <algorithm>

#include "platform/find.h"
#include "platform/fs.h"
#include "update/live_update.h"
#include "update/online_update.h"
#include "update/text_lines.h"
#include "update/update_journal.h"

namespace sorvik {
namespace {

constexpr int kMaxDepth = 32;                     // folders below a tree's root
constexpr uint32_t kReparsePoint = 0x400;         // FILE_ATTRIBUTE_REPARSE_POINT: not followed
constexpr uint32_t kFolder = 0x10;                // FILE_ATTRIBUTE_DIRECTORY
constexpr DWORD kJournalLimit = 4 * 1024 * 1024;  // far more than any journal the updater writes

void ListTree(const std::string& from, const std::string& to, int depth,
              std::vector<StagedMove>* moves) {
  if (depth > kMaxDepth) return;
  FindRecord record;
  const intptr_t find = FindFirstEntry(from + "\\*", &record);
  if (find == kInvalidFind) return;
  do {
    const std::string name = record.name;
    if (name == "." || name == ".." || (record.attributes & kReparsePoint) != 0) continue;
    if ((record.attributes & kFolder) != 0) {
      ListTree(from + "\\" + name, to + "\\" + name, depth + 1, moves);
    } else {
      moves->push_back(StagedMove{from + "\\" + name, to + "\\" + name});
    }
  } while (FindNextEntry(find, &record));
  FindCloseEntry(find);
}

// Runs the hook before each change on disk.
class Steps {
 public:
  explicit Steps(const UpdateStepHook& hook) : hook_(hook) {}
  void Next() const {
    if (hook_) hook_();
  }

 private:
  const UpdateStepHook& hook_;
};

// The folders above `path` that do not exist yet, outermost first.
void MissingParents(const std::string& path, std::vector<std::string>* folders) {
  for (size_t slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!IsFolder(folder)) AddOnce(folders, folder);
  }
}

bool CreateParents(const std::string& path, const Steps& steps) {
  std::vector<std::string> missing;
  MissingParents(path, &missing);
  for (const std::string& folder : missing) {
    steps.Next();
    if (!CreateFolder(folder)) return false;
  }
  return true;
}

// A move that may cross volumes (staging to beside the target).
bool MoveAcross(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) !=
         FALSE;
}

// A rename within one folder: `to` holds its old contents or all of `from`, never a mix.
bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::string JournalPath(const std::string& program) { return program + "\\" + kJournalName; }

bool ReadJournalFile(const std::string& program, UpdateJournal* journal) {
  HANDLE file = CreateFileA(JournalPath(program).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text(kJournalLimit, '\0');
  DWORD got = 0;
  const BOOL read = ReadFile(file, &text[0], kJournalLimit, &got, nullptr);
  CloseHandle(file);
  if (!read) return false;
  text.resize(got);
  *journal = ParseJournal(text);
  return true;
}

// Written beside the journal, flushed, then renamed over it: a kill leaves the old journal or
// the new one.
bool WriteJournalFile(const std::string& program, const UpdateJournal& journal) {
  const std::string path = JournalPath(program), fresh = path + kNewSuffix;
  const std::string text = FormatJournal(journal);
  HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr) &&
                  wrote == text.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (!ok || !RenameOver(fresh, path)) {
    RemoveFile(fresh);
    return false;
  }
  return true;
}

// ASCII letters compared without case; the byte after the folder must be a backslash.
bool IsBelow(const std::string& path, const std::string& folder) {
  if (folder.size() < 3 || path.size() <= folder.size() + 1 || path[folder.size()] != '\\')
    return false;
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.data(),
                        static_cast<int>(folder.size()), folder.data(),
                        static_cast<int>(folder.size())) == CSTR_EQUAL &&
         path.find("\\..") == std::string::npos;
}

// Keeps the file at `target` as `target`.sorvik-old: a hard link where the volume has them,
// otherwise a copy made under another name and renamed when whole.
bool KeepOld(const std::string& target, const Steps& steps) {
  const std::string old = target + kOldSuffix, copy = target + kCopySuffix;
  steps.Next();
  if (CreateHardLinkA(old.c_str(), target.c_str(), nullptr)) return true;
  if (!CopyFileA(target.c_str(), copy.c_str(), FALSE)) return false;
  steps.Next();
  return RenameOver(copy, old);
}

bool PlaceOne(const StagedMove& move, bool had_old, const Steps& steps) {
  const std::string fresh = move.to + kNewSuffix;
  if (!CreateParents(move.to, steps)) return false;
  steps.Next();
  if (!MoveAcross(move.from, fresh)) return false;
  if (had_old && !KeepOld(move.to, steps)) return false;
  steps.Next();
  return RenameOver(fresh, move.to);
}

void RemoveSideFiles(const std::string& target) {
  RemoveFile(target + kNewSuffix);
  RemoveFile(target + kCopySuffix);
}

// Takes an uncommitted update back: every old file renamed over its target, every file that
// was new to the folder removed, and the folders left empty removed.
void RollBack(const std::string& program, const std::string& system, UpdateJournal* journal,
              const Steps& steps) {
  for (auto put = journal->puts.rbegin(); put != journal->puts.rend(); ++put) {
    const std::string& target = put->target;
    if (!IsBelow(target, program) && !IsBelow(target, system)) continue;
    steps.Next();
    if (PathExists(target + kOldSuffix)) {
      // Renaming a hard link over the file it links to changes nothing on POSIX file systems
      // (Wine's): the link is then removed, the target holding the old file already.
      if (RenameOver(target + kOldSuffix, target)) RemoveFile(target + kOldSuffix);
    } else if (!put->had_old) {
      RemoveFile(target);
    }
    RemoveSideFiles(target);
  }
  std::vector<std::string> kept;
  for (auto folder = journal->folders.rbegin(); folder != journal->folders.rend(); ++folder) {
    if (IsBelow(*folder, program) || IsBelow(*folder, system)) RemoveDirectoryA(folder->c_str());
    if (IsFolder(*folder)) kept.insert(kept.begin(), *folder);
  }
  journal->folders = kept;
  journal->puts.clear();
  journal->state = UpdateJournal::State::kIdle;
  steps.Next();
  WriteJournalFile(program, *journal);
}

// Ends a committed update: the old copies go, the new files join the installed list.
void Finish(const std::string& program, const std::string& system, UpdateJournal* journal,
            const Steps& steps) {
  for (const JournalPut& put : journal->puts) {
    if (!IsBelow(put.target, program) && !IsBelow(put.target, system)) continue;
    steps.Next();
    RemoveFile(put.target + kOldSuffix);
    RemoveSideFiles(put.target);
    AddOnce(&journal->installed, put.target);
  }
  journal->puts.clear();
  journal->state = UpdateJournal::State::kIdle;
  steps.Next();
  WriteJournalFile(program, *journal);
}

// An old copy of the program or the updater beside it, left by an earlier updater: it goes,
// unless it is all that is left of the file.
void DropOldCopies(const std::string& program) {
  for (const char* name : {kProgramName, kUpdaterName}) {
    const std::string target = program + "\\" + name, old = target + kOldSuffix;
    if (!PathExists(old)) continue;
    if (PathExists(target)) {
      RemoveFile(old);
    } else {
      RenameOver(old, target);
    }
  }
}

// The journal as it will be once the staged files are in place, not yet committed.
UpdateJournal PendingJournal(UpdateJournal journal, const std::vector<StagedMove>& moves) {
  journal.puts.clear();
  for (const StagedMove& move : moves) {
    journal.puts.push_back(JournalPut{move.to, PathExists(move.to)});
    MissingParents(move.to, &journal.folders);
  }
  journal.state = UpdateJournal::State::kPending;
  return journal;
}

}  // namespace

std::vector<StagedMove> ListStagedMoves(const std::string& staging, const std::string& program,
                                        const std::string& system) {
  std::vector<StagedMove> moves;
  ListTree(staging + "\\app", program, 0, &moves);
  ListTree(staging + "\\sys", system, 0, &moves);
  std::sort(moves.begin(), moves.end(),
            [](const StagedMove& a, const StagedMove& b) { return a.from < b.from; });
  return moves;
}

bool ApplyStagedUpdate(const std::string& staging, const std::string& program,
                       const std::string& system, const UpdateStepHook& hook) {
  const Steps steps(hook);
  RepairUnfinishedUpdate(program, system, hook);
  UpdateJournal journal;
  ReadJournalFile(program, &journal);
  const std::vector<StagedMove> moves = ListStagedMoves(staging, program, system);
  // Leftovers of an earlier attempt must not pass for this update's old files.
  for (const StagedMove& move : moves) {
    RemoveFile(move.to + kOldSuffix);
    RemoveSideFiles(move.to);
  }
  journal = PendingJournal(journal, moves);
  steps.Next();
  bool ok = WriteJournalFile(program, journal);
  for (size_t i = 0; ok && i < moves.size(); ++i)
    ok = PlaceOne(moves[i], journal.puts[i].had_old, steps);
  if (ok) {
    journal.state = UpdateJournal::State::kCommitted;
    steps.Next();
    ok = WriteJournalFile(program, journal);
  }
  if (ok) {
    Finish(program, system, &journal, steps);
  } else if (journal.state != UpdateJournal::State::kIdle) {
    journal.state = UpdateJournal::State::kPending;
    RollBack(program, system, &journal, steps);
  }
  DeleteFolderTree(staging);
  return ok;
}

UpdateRepair RepairUnfinishedUpdate(const std::string& program, const std::string& system,
                                    const UpdateStepHook& hook) {
  const Steps steps(hook);
  UpdateJournal journal;
  UpdateRepair repair = UpdateRepair::kNothing;
  if (ReadJournalFile(program, &journal) && journal.state != UpdateJournal::State::kIdle) {
    if (journal.state == UpdateJournal::State::kCommitted) {
      Finish(program, system, &journal, steps);
      repair = UpdateRepair::kFinished;
    } else {
      RollBack(program, system, &journal, steps);
      repair = UpdateRepair::kRolledBack;
    }
    DeleteFolderTree(program + "\\" + kStagingFolder);
    RemoveFile(program + "\\" + kRegistrationName);
  }
  DropOldCopies(program);
  return repair;
}

UpdateRepair RepairUnfinishedUpdateAtStart(const std::string& program) {
  std::string folder = program;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  HANDLE hand_off = CreateMutexA(nullptr, TRUE, kUpdaterMutexName);
  if (hand_off == nullptr) return UpdateRepair::kNothing;
  UpdateRepair repair = UpdateRepair::kNothing;
  if (GetLastError() != ERROR_ALREADY_EXISTS) {
    repair = RepairUnfinishedUpdate(folder, SystemFolderPath());
    ReleaseMutex(hand_off);
  }
  CloseHandle(hand_off);
  return repair;
}

std::string SystemFolderPath() {
  char buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  std::string folder(buffer, length < MAX_PATH ? length : 0);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

bool ReadRegistration(const std::string& path, std::string* program,
                      std::vector<std::string>* files) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text(64 * 1024, '\0');  // far more than any list of paths the program writes
  DWORD got = 0;
  const BOOL read = ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(file);
  if (!read) return false;
  text.resize(got);
  files->clear();
  program->clear();
  const std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == 0) {
      *program = lines[i];
    } else if (!lines[i].empty()) {
      files->push_back(lines[i]);
    }
  }
  return true;
}

}  // namespace sorvik
