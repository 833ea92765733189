// The outside updater: all staged files in place or none, and LiveUpdate.exe's hand-off with
// the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "platform/fs.h"
#include "testing/test_util.h"
#include "update/live_update.h"
#include "update/online_update.h"
#include "update/update_journal.h"

namespace sorvik {
namespace {

using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

class LiveUpdateTest : public ::testing::Test {
 protected:
  std::string Staged(const std::string& relative) {
    const std::string path = program_.Join(kStagingFolder) + "\\" + relative;
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
      CreateFolder(path.substr(0, slash));
    return path;
  }
  std::string Staging() { return program_.Join(kStagingFolder); }

  TempFolder program_, system_;
};

TEST_F(LiveUpdateTest, EveryFileMovedIntoPlace) {
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(system_.Join("b.ocx"), "old b");
  WriteText(Staged("app\\a.dll"), "new a");
  WriteText(Staged("app\\sub\\deep\\c.txt"), "new c");
  WriteText(Staged("sys\\b.ocx"), "new b");
  ASSERT_TRUE(ApplyStagedUpdate(Staging(), program_.Path(), system_.Path()));
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "new a");
  EXPECT_EQ(ReadText(program_.Join("sub\\deep\\c.txt")), "new c");
  EXPECT_EQ(ReadText(system_.Join("b.ocx")), "new b");
  EXPECT_FALSE(PathExists(program_.Join("a.dll.sorvik-old")));
  EXPECT_FALSE(PathExists(system_.Join("b.ocx.sorvik-old")));
  EXPECT_FALSE(PathExists(Staging()));
  // The journal keeps what the update put in place, for the uninstaller.
  const UpdateJournal journal = ParseJournal(ReadText(program_.Join(kJournalName)));
  EXPECT_EQ(journal.state, UpdateJournal::State::kIdle);
  EXPECT_TRUE(journal.puts.empty());
  EXPECT_EQ(journal.installed,
            (std::vector<std::string>{program_.Join("a.dll"), program_.Join("sub\\deep\\c.txt"),
                                      system_.Join("b.ocx")}));
  EXPECT_EQ(journal.folders,
            (std::vector<std::string>{program_.Join("sub"), program_.Join("sub\\deep")}));
}

TEST_F(LiveUpdateTest, OneFailedMoveRestoresTheOldFiles) {
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(program_.Join("blocker"), "a file where the update wants a folder");
  WriteText(Staged("app\\a.dll"), "new a");           // moved first (sorted order)
  WriteText(Staged("app\\blocker\\x.txt"), "new x");  // cannot be placed
  WriteText(Staged("sys\\b.ocx"), "new b");
  EXPECT_EQ(ListStagedMoves(Staging(), program_.Path(), system_.Path()).size(), 3u);
  EXPECT_FALSE(ApplyStagedUpdate(Staging(), program_.Path(), system_.Path()));
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  EXPECT_EQ(ReadText(program_.Join("blocker")), "a file where the update wants a folder");
  EXPECT_FALSE(PathExists(system_.Join("b.ocx")));
  EXPECT_FALSE(PathExists(program_.Join("a.dll.sorvik-old")));
  EXPECT_FALSE(PathExists(Staging()));
}

TEST_F(LiveUpdateTest, RegistrationFile) {
  WriteText(program_.Join("Comfiles.reg"), "C:\\P\\Sorvik.exe\r\nC:\\P\\a.dll\n\nC:\\W\\b.ocx");
  std::string program;
  std::vector<std::string> files;
  ASSERT_TRUE(ReadRegistration(program_.Join("Comfiles.reg"), &program, &files));
  EXPECT_EQ(program, "C:\\P\\Sorvik.exe");
  EXPECT_EQ(files, (std::vector<std::string>{"C:\\P\\a.dll", "C:\\W\\b.ocx"}));
  EXPECT_FALSE(ReadRegistration(program_.Join("missing.reg"), &program, &files));
}

// The Win32 path of the built updater (CMake gives its POSIX path, Wine's Z: drive holds it).
std::string BuiltUpdater() {
  std::string path = SORVIK_LIVE_UPDATE_EXE;
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
  }
  return path;
}

TEST_F(LiveUpdateTest, UpdaterWaitsForTheProgramThenReplacesItsFiles) {
  const std::string updater = program_.Join(kUpdaterName);
  ASSERT_TRUE(CopyFileA(BuiltUpdater().c_str(), updater.c_str(), FALSE)) << BuiltUpdater();
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(Staged("app\\a.dll"), "new a");
  WriteText(program_.Join(kRegistrationName), program_.Join("NotThere.exe") + "\n");
  // Play the running program: hold its instance mutex.
  HANDLE running = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  ASSERT_NE(running, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + updater + "\"";
  ASSERT_TRUE(CreateProcessA(updater.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                             program_.Path().c_str(), &startup, &process));
  // While the program runs, the updater holds the hand-off mutex and touches nothing.
  bool hand_off_seen = false;
  for (int i = 0; i < 100 && !hand_off_seen; ++i) {
    HANDLE hand_off = OpenMutexA(SYNCHRONIZE, FALSE, kUpdaterMutexName);
    hand_off_seen = hand_off != nullptr;
    if (hand_off != nullptr) CloseHandle(hand_off);
    if (!hand_off_seen) Sleep(50);
  }
  EXPECT_TRUE(hand_off_seen);
  Sleep(500);
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  // The program exits: the updater finishes.
  ReleaseMutex(running);
  CloseHandle(running);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "new a");
  EXPECT_FALSE(PathExists(Staging()));
  EXPECT_FALSE(PathExists(program_.Join(kRegistrationName)));
}

// An update of four files: the program replaced, a text replaced, a new file in a new folder,
// a file of the system folder replaced. Old() and New() tell which version a folder holds.
class KilledUpdate {
 public:
  KilledUpdate() {
    WriteText(program_.Join(kProgramName), "old program");
    WriteText(program_.Join("notes.txt"), "old notes");
    WriteText(system_.Join("b.ocx"), "old b");
    Stage("app\\" + std::string(kProgramName), "new program");
    Stage("app\\notes.txt", "new notes");
    Stage("app\\docs\\new.txt", "new file");
    Stage("sys\\b.ocx", "new b");
  }
  std::string Program() const { return program_.Path(); }
  std::string System() const { return system_.Path(); }
  std::string Staging() const { return program_.Join(kStagingFolder); }
  bool Old() const {
    return ReadText(program_.Join(kProgramName)) == "old program" &&
           ReadText(program_.Join("notes.txt")) == "old notes" &&
           ReadText(system_.Join("b.ocx")) == "old b" && !PathExists(program_.Join("docs"));
  }
  bool New() const {
    return ReadText(program_.Join(kProgramName)) == "new program" &&
           ReadText(program_.Join("notes.txt")) == "new notes" &&
           ReadText(program_.Join("docs\\new.txt")) == "new file" &&
           ReadText(system_.Join("b.ocx")) == "new b";
  }
  // No file of either version is cut or missing, whatever the moment.
  bool EachFileWhole() const {
    const std::string program = ReadText(program_.Join(kProgramName));
    const std::string notes = ReadText(program_.Join("notes.txt"));
    return (program == "old program" || program == "new program") &&
           (notes == "old notes" || notes == "new notes");
  }
  std::string Listing() const {
    std::string all;
    for (const TempFolder* folder : {&program_, &system_}) {
      WIN32_FIND_DATAA data;
      HANDLE find = FindFirstFileA((folder->Path() + "\\*").c_str(), &data);
      while (find != INVALID_HANDLE_VALUE) {
        all += std::string(" ") + data.cFileName;
        if (!FindNextFileA(find, &data)) break;
      }
      FindClose(find);
    }
    return all + " journal: " + ReadText(program_.Join(kJournalName));
  }
  // Nothing of the update's work left behind (the staged files may wait for the next update
  // when the updater was killed before it wrote its journal).
  bool Clean(bool staging_gone = true) const {
    for (const std::string& target : {program_.Join(kProgramName), program_.Join("notes.txt"),
                                      program_.Join("docs\\new.txt"), system_.Join("b.ocx")}) {
      for (const char* suffix : {kOldSuffix, kNewSuffix, kCopySuffix})
        if (PathExists(target + suffix)) return false;
    }
    return (!staging_gone || !PathExists(Staging())) &&
           ParseJournal(ReadText(program_.Join(kJournalName))).state == UpdateJournal::State::kIdle;
  }

 private:
  void Stage(const std::string& relative, const std::string& text) {
    const std::string path = Staging() + "\\" + relative;
    for (size_t slash = path.find('\\', 3); slash != std::string::npos;
         slash = path.find('\\', slash + 1))
      CreateFolder(path.substr(0, slash));
    WriteText(path, text);
  }
  TempFolder program_, system_;
};

struct Killed {};

// Applies the update and stops it by an exception before change number `kill_at`; false when
// the update ran to its end first.
bool ApplyKilledAt(const KilledUpdate& update, int kill_at) {
  int step = 0;
  try {
    ApplyStagedUpdate(update.Staging(), update.Program(), update.System(), [&] {
      if (++step == kill_at) throw Killed();
    });
  } catch (const Killed&) {
    return true;
  }
  return false;
}

TEST(LiveUpdateJournal, KillAtEveryStepIsRepairedToOneWholeVersion) {
  int rolled_back = 0, finished = 0, kill_at = 1;
  for (;; ++kill_at) {
    // Killed before change `kill_at`: every file is whole at that instant, and the repair (once
    // itself killed at its first change, then run to its end) gives one version entire.
    KilledUpdate update;
    if (!ApplyKilledAt(update, kill_at)) {
      EXPECT_TRUE(update.New() && update.Clean()) << "the update without a kill";
      break;
    }
    ASSERT_TRUE(update.EachFileWhole()) << "killed at step " << kill_at;
    try {
      RepairUnfinishedUpdate(update.Program(), update.System(), [] { throw Killed(); });
    } catch (const Killed&) {
    }
    ASSERT_TRUE(update.EachFileWhole()) << "repair killed, update killed at step " << kill_at;
    const UpdateRepair repair = RepairUnfinishedUpdate(update.Program(), update.System());
    EXPECT_TRUE(update.Clean(repair != UpdateRepair::kNothing))
        << "killed at step " << kill_at << update.Listing();
    if (repair == UpdateRepair::kNothing) {
      // Killed before the journal: nothing had changed.
      EXPECT_EQ(kill_at, 1);
      EXPECT_TRUE(update.Old());
    } else if (repair == UpdateRepair::kRolledBack) {
      ++rolled_back;
      EXPECT_TRUE(update.Old()) << "rolled back after step " << kill_at;
    } else {
      ++finished;
      EXPECT_EQ(repair, UpdateRepair::kFinished) << "killed at step " << kill_at;
      EXPECT_TRUE(update.New()) << "finished after step " << kill_at;
    }
  }
  EXPECT_GT(kill_at, 10);  // the update has at least this many changes to be killed at
  EXPECT_GT(rolled_back, 0);
  EXPECT_GT(finished, 0);
}

TEST(LiveUpdateJournal, LeftoversAndOtherHolders) {
  {
    // An old copy of the program beside it goes at the next start; one that is all that is
    // left of the program becomes the program again.
    TempFolder program;
    WriteText(program.Join(kProgramName), "program");
    WriteText(program.Join(std::string(kProgramName) + kOldSuffix), "older");
    EXPECT_EQ(RepairUnfinishedUpdateAtStart(program.Path() + "\\"), UpdateRepair::kNothing);
    EXPECT_FALSE(PathExists(program.Join(std::string(kProgramName) + kOldSuffix)));
    RemoveFile(program.Join(kProgramName));
    WriteText(program.Join(std::string(kProgramName) + kOldSuffix), "older");
    RepairUnfinishedUpdateAtStart(program.Path());
    EXPECT_EQ(ReadText(program.Join(kProgramName)), "older");
  }
  {
    // While an updater holds the hand-off mutex, a starting program leaves its work alone.
    KilledUpdate update;
    ASSERT_TRUE(ApplyKilledAt(update, 6));
    HANDLE updater = CreateMutexA(nullptr, TRUE, kUpdaterMutexName);
    EXPECT_EQ(RepairUnfinishedUpdateAtStart(update.Program()), UpdateRepair::kNothing);
    EXPECT_FALSE(update.Clean());
    ReleaseMutex(updater);
    CloseHandle(updater);
    EXPECT_NE(RepairUnfinishedUpdateAtStart(update.Program()), UpdateRepair::kNothing);
    EXPECT_TRUE(update.Clean() && (update.Old() || update.New()));
  }
  {
    // A journal naming paths outside the program and system folders touches none of them.
    KilledUpdate update;
    TempFolder elsewhere;
    WriteText(elsewhere.Join("keep.txt"), "keep");
    WriteText(update.Program() + "\\" + kJournalName,
              "state\tpending\nput\t0\t" + elsewhere.Join("keep.txt") + "\nput\t0\t" +
                  update.Program() + "\\..\\x\\keep.txt\n");
    EXPECT_EQ(RepairUnfinishedUpdate(update.Program(), update.System()), UpdateRepair::kRolledBack);
    EXPECT_EQ(ReadText(elsewhere.Join("keep.txt")), "keep");
  }
}

// Runs the built updater in `folder` with the environment variable set (empty: removed) and
// waits for it; its exit code.
DWORD RunUpdater(const std::string& folder, const std::string& kill_at,
                 const std::string& arguments = "") {
  const std::string updater = folder + "\\" + kUpdaterName;
  CopyFileA(BuiltUpdater().c_str(), updater.c_str(), FALSE);
  SetEnvironmentVariableA("SORVIK_LIVE_UPDATE_KILL_AT",
                          kill_at.empty() ? nullptr : kill_at.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + updater + "\" " + arguments;
  const BOOL started = CreateProcessA(updater.c_str(), &command[0], nullptr, nullptr, FALSE, 0,
                                      nullptr, folder.c_str(), &startup, &process);
  SetEnvironmentVariableA("SORVIK_LIVE_UPDATE_KILL_AT", nullptr);
  if (!started) return 0xFFFFFFFF;
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// The old program and notes in `program`, and an update of both with a new file in a new
// folder staged; the staging folder.
std::string StageProgramUpdate(const TempFolder& program) {
  WriteText(program.Join(kProgramName), "old program");
  WriteText(program.Join("notes.txt"), "old notes");
  const std::string staging = program.Join(kStagingFolder);
  for (const char* folder : {"", "\\app", "\\app\\docs"}) CreateFolder(staging + folder);
  WriteText(staging + "\\app\\" + kProgramName, "new program");
  WriteText(staging + "\\app\\notes.txt", "new notes");
  WriteText(staging + "\\app\\docs\\new.txt", "new file");
  return staging;
}

TEST(LiveUpdateJournal, TwoUpdatersAtOnce) {
  // Two updaters started together take turns on the hand-off mutex: the update is applied once,
  // whole, and nothing of its work is left.
  TempFolder program;
  const std::string staging = StageProgramUpdate(program);
  const std::string updater = program.Join(kUpdaterName);
  ASSERT_TRUE(CopyFileA(BuiltUpdater().c_str(), updater.c_str(), FALSE));
  PROCESS_INFORMATION processes[2] = {};
  for (PROCESS_INFORMATION& process : processes) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + updater + "\"";
    ASSERT_TRUE(CreateProcessA(updater.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                               program.Path().c_str(), &startup, &process));
  }
  for (PROCESS_INFORMATION& process : processes) {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  EXPECT_EQ(ReadText(program.Join(kProgramName)), "new program");
  EXPECT_EQ(ReadText(program.Join("notes.txt")), "new notes");
  EXPECT_EQ(ReadText(program.Join("docs\\new.txt")), "new file");
  EXPECT_FALSE(PathExists(program.Join(std::string(kProgramName) + kOldSuffix)));
  EXPECT_FALSE(PathExists(program.Join(std::string("notes.txt") + kOldSuffix)));
  EXPECT_FALSE(PathExists(staging));
  const UpdateJournal journal = ParseJournal(ReadText(program.Join(kJournalName)));
  EXPECT_EQ(journal.state, UpdateJournal::State::kIdle);
  EXPECT_EQ(journal.installed.size(), 3u);
}

TEST(LiveUpdateJournal, UpdaterProcessKilledAtEveryStep) {
  // The real LiveUpdate.exe ended by TerminateProcess before each of its changes (the system
  // files of this test go to a folder of the program's: the updater uses the real system
  // folder). A start of the program repairs after odd kills, a start of the updater after even.
  for (int kill_at = 1;; ++kill_at) {
    TempFolder program;
    const std::string staging = StageProgramUpdate(program);
    const DWORD code = RunUpdater(program.Path(), std::to_string(kill_at));
    const std::string exe = ReadText(program.Join(kProgramName));
    if (code != 9) {
      EXPECT_EQ(exe, "new program") << "the update without a kill";
      EXPECT_GT(kill_at, 8);
      break;
    }
    ASSERT_TRUE(exe == "old program" || exe == "new program") << "killed at " << kill_at;
    if (kill_at % 2 == 1) {
      RepairUnfinishedUpdateAtStart(program.Path());
    } else {
      RunUpdater(program.Path(), "");
    }
    const std::string notes = ReadText(program.Join("notes.txt"));
    const bool old_version = ReadText(program.Join(kProgramName)) == "old program" &&
                             notes == "old notes" && !PathExists(program.Join("docs"));
    const bool new_version = ReadText(program.Join(kProgramName)) == "new program" &&
                             notes == "new notes" &&
                             ReadText(program.Join("docs\\new.txt")) == "new file";
    EXPECT_TRUE(old_version || new_version) << "killed at " << kill_at;
    EXPECT_FALSE(PathExists(program.Join(std::string(kProgramName) + kOldSuffix)));
    // Killed before its journal, the updater leaves the staged files to the next update.
    EXPECT_TRUE(!PathExists(staging) || (kill_at == 1 && old_version)) << "killed at " << kill_at;
  }
}

TEST_F(LiveUpdateTest, UpdaterGivesUpOnAProgramThatDoesNotEnd) {
  // The program (this thread owns its mutex) does not end: after the wait the updater says so,
  // changes nothing and removes the staged files.
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(Staged("app\\a.dll"), "new a");
  HANDLE running = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  ASSERT_NE(running, nullptr);
  std::thread answer([] {
    for (int i = 0; i < 400; ++i) {
      HWND box = FindWindowA("#32770", kUpdateCaption);
      if (box != nullptr) {
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(50);
    }
  });
  const DWORD code = RunUpdater(program_.Path(), "", "--wait-ms 500");
  answer.join();
  ReleaseMutex(running);
  CloseHandle(running);
  EXPECT_EQ(code, 2u);
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  EXPECT_FALSE(PathExists(Staging()));
}

}  // namespace
}  // namespace sorvik
