#include "platform/drives.h"

#include <sys/stat.h>

#include <cctype>

#include "platform/posix/native_path.h"

namespace sorvik {
namespace {

// Letters that MapTestDrive accepts: never A..C (floppy and system drive) nor Z (Wine's root).
bool IsTestLetter(char letter) { return letter >= 'D' && letter <= 'Y'; }

char Upper(char letter) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

}  // namespace

uint32_t LogicalDriveMask() { return MappedDriveMask(); }

uint32_t DriveType(const std::string& root) {
  if (root.size() < 2 || root[1] != ':' || !std::isalpha(static_cast<unsigned char>(root[0]))) {
    return kDriveNoRootDir;
  }
  std::string dir = MappedDriveDir(root[0]);
  struct stat st;
  if (dir.empty() || ::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kDriveNoRootDir;
  return MappedDriveType(root[0]);
}

bool MapTestDrive(char letter, const std::string& folder, uint32_t type) {
  letter = Upper(letter);
  if (!IsTestLetter(letter) || folder.empty()) return false;
  return MapDriveOfType(letter, folder, type);
}

bool UnmapTestDrive(char letter) {
  letter = Upper(letter);
  if (!IsTestLetter(letter)) return false;
  return UnmapDrive(letter);
}

}  // namespace sorvik
