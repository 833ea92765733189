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

}  // namespace
}  // namespace sorvik
