// LiveUpdate.exe: started hidden by the program once an update is staged. It holds the hand-off
// mutex (so that a new start of the program waits), waits until the program's process has
// ended, puts the staged files in place (all or none, journalled: see update/live_update.h),
// registers the listed files, removes the staging folder and the registration file, lets go of
// the mutex and starts the program again. When the program does not end within a minute it
// says so and changes nothing.
//
//   LiveUpdate.exe [--wait-ms N]   N: how long to wait for the program, or for another updater
//                                  (tests shorten it)
// SORVIK_LIVE_UPDATE_KILL_AT=N ends the updater abruptly before its N-th change on disk: the
// fault injection that the tests of the journal's repair use.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "update/live_update.h"
#include "update/online_update.h"

namespace {

constexpr DWORD kProgramExitWaitMs = 60000;  // the program posts its own exit; it ends quickly
constexpr DWORD kRegisterWaitMs = 30000;     // one "regsvr32 /s" run
constexpr char kGaveUpMessage[] =
    "Sorvik 没有退出，本次升级没有进行。请退出 Sorvik 后再次启动它，它会重新下载升级。";

// Waits until the program's process has ended: the running program owns its instance mutex, so
// the wait ends when its last thread does. False when it still runs after `wait_ms`.
bool WaitForProgramExit(DWORD wait_ms) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, sorvik::kInstanceMutexName);
  if (mutex == nullptr) return true;  // the program has already gone
  const DWORD result = WaitForSingleObject(mutex, wait_ms);
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) ReleaseMutex(mutex);
  CloseHandle(mutex);
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
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

DWORD WaitFromCommandLine() {
  const char* flag = std::strstr(GetCommandLineA(), "--wait-ms ");
  if (flag == nullptr) return kProgramExitWaitMs;
  return static_cast<DWORD>(std::strtoul(flag + std::strlen("--wait-ms "), nullptr, 10));
}

// The fault injection: the step number from the environment, 0 for none.
sorvik::UpdateStepHook KillHook() {
  char value[16] = {};
  if (GetEnvironmentVariableA("SORVIK_LIVE_UPDATE_KILL_AT", value, sizeof value) == 0) return {};
  const unsigned long kill_at = std::strtoul(value, nullptr, 10);
  if (kill_at == 0) return {};
  auto steps = std::make_shared<unsigned long>(0);
  return [steps, kill_at] {
    if (++*steps == kill_at) TerminateProcess(GetCurrentProcess(), 9);
  };
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string program_folder = sorvik::ExecutableFolder();
  while (!program_folder.empty() && program_folder.back() == '\\') program_folder.pop_back();
  HANDLE hand_off = CreateMutexA(nullptr, TRUE, sorvik::kUpdaterMutexName);
  if (hand_off != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    // Another updater is at work (or a starting program repairs): one at a time. When the other
    // is done, this one finds its work done too.
    const DWORD waited = WaitForSingleObject(hand_off, WaitFromCommandLine());
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
      CloseHandle(hand_off);
      return 3;
    }
  }
  const std::string registration = program_folder + "\\" + sorvik::kRegistrationName;
  const std::string staging = program_folder + "\\" + sorvik::kStagingFolder;
  bool applied = false;
  std::string program;
  const bool ended = WaitForProgramExit(WaitFromCommandLine());
  if (ended) {
    std::vector<std::string> to_register;
    sorvik::ReadRegistration(registration, &program, &to_register);
    applied =
        sorvik::ApplyStagedUpdate(staging, program_folder, sorvik::SystemFolderPath(), KillHook());
    if (applied) RegisterFiles(to_register);
  } else {
    // Nothing replaced under a running program; it stages the update again at its next start.
    sorvik::DeleteFolderTree(staging);
  }
  sorvik::RemoveFile(registration);
  if (hand_off != nullptr) {
    ReleaseMutex(hand_off);
    CloseHandle(hand_off);
  }
  if (!ended) {
    MessageBoxA(nullptr, kGaveUpMessage, sorvik::kUpdateCaption,
                MB_OK | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
    return 2;
  }
  // The program's own path from the registration file when it names a file in this folder.
  const std::string expected_prefix = program_folder + "\\";
  if (program.compare(0, expected_prefix.size(), expected_prefix) != 0 ||
      !sorvik::PathExists(program))
    program = expected_prefix + sorvik::kProgramName;
  StartProgram(program, program_folder);
  return applied ? 0 : 1;
}
