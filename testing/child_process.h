// Other programs run by tests, for the tests of several processes sharing one folder: start a
// program with its arguments, later wait for its exit status. Tests only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {
namespace testing {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // waits for a child that is still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `program` (a native path) with `args`; its standard output goes to `out_file` (a
  // native path, truncated) and its standard error is dropped. False when it cannot start.
  bool Start(const std::string& program, const std::vector<std::string>& args,
             const std::string& out_file);
  // Starts `program` like Start, with its standard output into a pipe that only ReadOutput
  // reads: until then the child blocks once the pipe is full, as behind a slow reader.
  bool StartPiped(const std::string& program, const std::vector<std::string>& args);
  // Reads the piped output until `most` bytes came or the child closed it; returns them.
  std::string ReadOutput(size_t most = static_cast<size_t>(-1));
  // Waits for the child; its exit status, or -1 when it did not start or was killed.
  int Wait();
  // Without waiting: true with `status` set once the child has ended (or never started).
  bool Finished(int* status);

 private:
  bool Spawn(const std::string& program, const std::vector<std::string>& args, intptr_t out);
  void ClosePipe();

  intptr_t handle_ = 0;  // process id on POSIX, process handle on Win32; 0 when none
  intptr_t pipe_ = 0;    // read end of the piped output (POSIX: descriptor + 1); 0 when none
};

}  // namespace testing
}  // namespace sorvik
