#include "platform/status.h"

#include <cerrno>
#include <cstring>

namespace sorvik {

std::string SystemErrorText(uint32_t code) {
  const char* text = std::strerror(static_cast<int>(code));
  return text != nullptr && *text != '\0' ? text : "error " + std::to_string(code);
}

uint32_t LastSystemError() { return static_cast<uint32_t>(errno); }

uint32_t DiskFullError() { return ENOSPC; }

}  // namespace sorvik
