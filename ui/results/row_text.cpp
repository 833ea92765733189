// The texts of a result row: cells, icon key and the base lines of its tip.
#include "ui/results/basic_list_ctrl.h"  // brings <windows.h>, which the shell header needs first
// The shell's byte-size text.
#include <shlwapi.h>

#include <cstdio>

#include "platform/local_time.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

// 100-ns ticks between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000ull;

}  // namespace

void CopyTipText(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size < 1) return;
  const size_t limit = static_cast<size_t>(size) - 1;
  size_t end = 0;
  while (end < text.size()) {
    const size_t next = end + GbkCharLength(text, end);
    if (next > limit) break;
    end = next;
  }
  text.copy(buffer, end);
  buffer[end] = '\0';
}

std::string IconKeyOf(const EntryDetails& details) {
  if (details.IsFolder()) return ":dir:";
  const size_t dot = details.name.rfind('.');
  if (dot == std::string::npos) return "";
  std::string key = details.name.substr(dot);
  for (size_t i = 0; i < key.size(); i += GbkCharLength(key, i)) {
    if (key[i] >= 'a' && key[i] <= 'z') key[i] = static_cast<char>(key[i] - 'a' + 'A');
  }
  if (key == ".LNK" || key == ".EXE" || key == ".ICO") return "";
  return key;
}

std::string ByteSizeText(uint64_t size) {
  if (size == kFolderSize) return "";
  char text[32] = {0};
  if (StrFormatByteSize64A(static_cast<LONGLONG>(size), text, sizeof text) == nullptr) return "";
  return text;
}

std::string ModifiedTimeText(uint64_t seconds) {
  LocalTime local;
  if (seconds > (~0ull - kUnixEpochTicks) / kTicksPerSecond ||
      !FileTimeToLocal(kUnixEpochTicks + seconds * kTicksPerSecond, &local)) {
    return "";
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", local.year, local.month, local.day,
                local.hour, local.minute);
  return text;
}

}  // namespace sorvik
