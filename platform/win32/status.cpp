#include "platform/status.h"

#include <windows.h>

namespace sorvik {

std::string SystemErrorText(uint32_t code) {
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, buffer, sizeof buffer, nullptr);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                        buffer[length - 1] == ' ' || buffer[length - 1] == '.')) {
    --length;
  }
  return length > 0 ? std::string(buffer, length) : "error " + std::to_string(code);
}

uint32_t LastSystemError() { return GetLastError(); }

uint32_t DiskFullError() { return ERROR_DISK_FULL; }

}  // namespace sorvik
