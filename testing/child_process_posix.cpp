#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "testing/child_process.h"

namespace sorvik {
namespace testing {

ChildProcess::~ChildProcess() { Wait(); }

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& out_file) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;
  handle_ = pid;
  return true;
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
