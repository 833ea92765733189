#include <windows.h>

#include <algorithm>

#include "testing/child_process.h"

namespace sorvik {
namespace testing {
namespace {

// One argument quoted for the C runtime's command-line parser.
std::string Quoted(const std::string& arg) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      quoted += c;
      continue;
    }
    if (c == '"') quoted.append(backslashes + 1, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes, '\\');
  return quoted + "\"";
}

}  // namespace

ChildProcess::~ChildProcess() {
  ClosePipe();
  Wait();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& out_file) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  // Shared for writing: under Wine the handle a child inherited may outlive it for a moment, and
  // the next child gets the same file. A file that cannot be opened leaves the child without
  // standard output, as before.
  HANDLE out = CreateFileA(out_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool started = Spawn(program, args, reinterpret_cast<intptr_t>(out));
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  return started;
}

bool ChildProcess::StartPiped(const std::string& program, const std::vector<std::string>& args) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  HANDLE write = nullptr;
  if (!CreatePipe(&read, &write, &inherit, 0)) return false;
  SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);  // only the write end goes to the child
  const bool started = Spawn(program, args, reinterpret_cast<intptr_t>(write));
  CloseHandle(write);
  if (!started) {
    CloseHandle(read);
    return false;
  }
  pipe_ = reinterpret_cast<intptr_t>(read);
  return true;
}

bool ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                         intptr_t out) {
  std::string line = Quoted(program);
  for (const std::string& arg : args) line += " " + Quoted(arg);
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = reinterpret_cast<HANDLE>(out);
  startup.hStdError = null;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &startup, &process);
  if (null != INVALID_HANDLE_VALUE) CloseHandle(null);
  if (!started) return false;
  CloseHandle(process.hThread);
  handle_ = reinterpret_cast<intptr_t>(process.hProcess);
  return true;
}

std::string ChildProcess::ReadOutput(size_t most) {
  std::string text;
  char buffer[4096];
  while (pipe_ != 0 && text.size() < most) {
    const DWORD want = static_cast<DWORD>(std::min(sizeof buffer, most - text.size()));
    DWORD got = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(pipe_), buffer, want, &got, nullptr) || got == 0) {
      ClosePipe();
      break;
    }
    text.append(buffer, got);
  }
  return text;
}

void ChildProcess::ClosePipe() {
  if (pipe_ != 0) CloseHandle(reinterpret_cast<HANDLE>(pipe_));
  pipe_ = 0;
}

int ChildProcess::Wait() {
  if (handle_ == 0) return -1;
  HANDLE process = reinterpret_cast<HANDLE>(handle_);
  handle_ = 0;
  DWORD code = 0;
  const bool ok =
      WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return ok ? static_cast<int>(code) : -1;
}

bool ChildProcess::Finished(int* status) {
  if (handle_ == 0) return true;
  if (WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), 0) != WAIT_OBJECT_0) return false;
  *status = Wait();
  return true;
}

}  // namespace testing
}  // namespace sorvik
