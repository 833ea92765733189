#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "testing/child_process.h"

namespace sorvik {
namespace testing {

ChildProcess::~ChildProcess() {
  ClosePipe();
  Wait();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& out_file) {
  const int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) return false;
  const bool started = Spawn(program, args, out);
  ::close(out);
  return started;
}

bool ChildProcess::StartPiped(const std::string& program, const std::vector<std::string>& args) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  const bool started = Spawn(program, args, ends[1]);
  ::close(ends[1]);
  if (!started) {
    ::close(ends[0]);
    return false;
  }
  pipe_ = ends[0] + 1;
  return true;
}

bool ChildProcess::Spawn(const std::string& program, const std::vector<std::string>& args,
                         intptr_t out) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, static_cast<int>(out), 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  handle_ = pid;
  return true;
}

std::string ChildProcess::ReadOutput(size_t most) {
  std::string text;
  char buffer[4096];
  while (pipe_ != 0 && text.size() < most) {
    const size_t want = std::min(sizeof buffer, most - text.size());
    const ssize_t got = ::read(static_cast<int>(pipe_ - 1), buffer, want);
    if (got <= 0) {
      ClosePipe();
      break;
    }
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

void ChildProcess::ClosePipe() {
  if (pipe_ != 0) ::close(static_cast<int>(pipe_ - 1));
  pipe_ = 0;
}

int ChildProcess::Wait() {
  if (handle_ == 0) return -1;
  int status = 0;
  const pid_t pid = static_cast<pid_t>(handle_);
  handle_ = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool ChildProcess::Finished(int* status) {
  if (handle_ == 0) return true;
  int raw = 0;
  const pid_t pid = static_cast<pid_t>(handle_);
  if (waitpid(pid, &raw, WNOHANG) != pid) return false;
  handle_ = 0;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return true;
}

}  // namespace testing
}  // namespace sorvik
