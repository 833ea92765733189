// Status: success, or a failure with its reason ("cannot write .\ScanTemp\index.dat: No space
// left on device"), carried from where it happened up to whoever tells the user. A bare false
// would end as "the build failed"; a Status says which file and why.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace sorvik {

class Status {
 public:
  enum class Code : uint8_t {
    kOk,
    kNotFound,         // a file, folder or drive that must be there is not
    kIOError,          // the system refused a read, write, rename or removal
    kCorruption,       // a file is there but does not read as what it must be
    kBusy,             // a lock is held elsewhere, or could not be taken in time
    kInvalidArgument,  // a request or setting that cannot be carried out
  };

  Status() = default;  // success
  static Status Ok() { return Status(); }
  static Status NotFound(std::string message) {
    return Status(Code::kNotFound, std::move(message));
  }
  static Status IOError(std::string message) { return Status(Code::kIOError, std::move(message)); }
  static Status Corruption(std::string message) {
    return Status(Code::kCorruption, std::move(message));
  }
  static Status Busy(std::string message) { return Status(Code::kBusy, std::move(message)); }
  static Status InvalidArgument(std::string message) {
    return Status(Code::kInvalidArgument, std::move(message));
  }

  bool ok() const { return code_ == Code::kOk; }
  explicit operator bool() const { return ok(); }
  Code code() const { return code_; }
  // The reason, empty on success.
  const std::string& message() const { return message_; }
  // The reason, "OK" on success.
  std::string ToString() const { return ok() ? std::string("OK") : message_; }

 private:
  Status(Code code, std::string message) : code_(code), message_(std::move(message)) {}

  Code code_ = Code::kOk;  // what kind of failure
  std::string message_;    // what failed and why, for a person
};

// The system's own text for error `code` (errno on Linux, GetLastError on Windows), without a
// line end; "error N" when the system has none.
std::string SystemErrorText(uint32_t code);
// The system's code of the last error of the calling thread.
uint32_t LastSystemError();
// The code a full disk fails with, for failures that tests inject.
uint32_t DiskFullError();

}  // namespace sorvik
