// LiveUpdate.exe: started hidden by the program once an update is staged. It holds the hand-off
// mutex (so that a new start of the program waits), waits until the program has exited, puts
// the staged files in place (all or none), registers the listed files, removes the staging
// folder and the registration file, lets go of the mutex and starts the program again.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/fs.h"
#include "update/live_update.h"
#include "update/online_update.h"

namespace {

constexpr DWORD kProgramExitWaitMs = 60000;  // the program posts its own exit; it ends quickly
constexpr DWORD kRegisterWaitMs = 30000;     // one "regsvr32 /s" run

// Waits until no process holds the program's instance mutex, at most kProgramExitWaitMs.
void WaitForProgramExit() {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, sorvik::kInstanceMutexName);
  if (mutex == nullptr) return;  // the program has already gone
  const DWORD result = WaitForSingleObject(mutex, kProgramExitWaitMs);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
}

// Runs `command` hidden and waits for it at most `wait_ms`; false when it could not start.
bool RunHidden(std::string command, DWORD wait_ms) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  if (wait_ms != 0) WaitForSingleObject(process.hProcess, wait_ms);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

void RegisterFiles(const std::vector<std::string>& files) {
  for (const std::string& file : files)
    RunHidden("regsvr32.exe /s \"" + file + "\"", kRegisterWaitMs);
}

// Starts the program again from its folder.
void StartProgram(const std::string& path, const std::string& folder) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string command = "\"" + path + "\"";
  if (CreateProcessA(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                     &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

std::string SystemFolder() {
  char buffer[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(buffer, MAX_PATH);
  std::string folder(buffer, length < MAX_PATH ? length : 0);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string program_folder = sorvik::ExecutableFolder();
  while (!program_folder.empty() && program_folder.back() == '\\') program_folder.pop_back();
  HANDLE hand_off = CreateMutexA(nullptr, TRUE, sorvik::kUpdaterMutexName);
  WaitForProgramExit();
  const std::string registration = program_folder + "\\" + sorvik::kRegistrationName;
  std::string program;
  std::vector<std::string> to_register;
  sorvik::ReadRegistration(registration, &program, &to_register);
  const bool applied = sorvik::ApplyStagedUpdate(program_folder + "\\" + sorvik::kStagingFolder,
                                                 program_folder, SystemFolder());
  if (applied) RegisterFiles(to_register);
  sorvik::RemoveFile(registration);
  if (hand_off != nullptr) {
    ReleaseMutex(hand_off);
    CloseHandle(hand_off);
  }
  // The program's own path from the registration file when it names a file in this folder.
  const std::string expected_prefix = program_folder + "\\";
  if (program.compare(0, expected_prefix.size(), expected_prefix) != 0 ||
      !sorvik::PathExists(program))
    program = expected_prefix + sorvik::kProgramName;
  StartProgram(program, program_folder);
  return applied ? 0 : 1;
}
