#include "platform/posix/native_path.h"

#include <cctype>
#include <map>
#include <mutex>

#include "platform/charset.h"
#include "platform/fs.h"

namespace sorvik {
namespace {

std::mutex& MapLock() {
  static std::mutex lock;
  return lock;
}

// One mapped drive.
struct MappedDrive {
  std::string dir;  // POSIX directory the drive letter stands for
  uint32_t type;    // drive type reported for it (GetDriveTypeA values)
};

std::map<char, MappedDrive>& DriveMap() {
  static std::map<char, MappedDrive> drives;
  return drives;
}

}  // namespace

bool MapDrive(char letter, const std::string& dir) { return MapDriveOfType(letter, dir, 3); }

bool MapDriveOfType(char letter, const std::string& dir, uint32_t type) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') return false;
  std::string clean = dir;
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  std::lock_guard<std::mutex> hold(MapLock());
  DriveMap()[letter] = MappedDrive{clean, type};
  return true;
}

bool UnmapDrive(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::lock_guard<std::mutex> hold(MapLock());
  DriveMap().erase(letter);
  return true;
}

uint32_t MappedDriveMask() {
  std::lock_guard<std::mutex> hold(MapLock());
  uint32_t mask = 0;
  for (const auto& drive : DriveMap()) mask |= 1u << (drive.first - 'A');
  return mask;
}

uint32_t MappedDriveType(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::lock_guard<std::mutex> hold(MapLock());
  auto it = DriveMap().find(letter);
  return it == DriveMap().end() ? 1 : it->second.type;
}

void ClearDriveMap() {
  std::lock_guard<std::mutex> hold(MapLock());
  DriveMap().clear();
}

std::string MappedDriveDir(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::lock_guard<std::mutex> hold(MapLock());
  auto it = DriveMap().find(letter);
  return it == DriveMap().end() ? std::string() : it->second.dir;
}

std::string NativePath(const std::string& path) {
  // Convert first: a GBK trail byte may be 0x5C, which is not a separator.
  std::string utf8 = GbkToUtf8(path);
  std::string rest = utf8;
  std::string prefix;
  if (utf8.size() >= 2 && utf8[1] == ':' && std::isalpha(static_cast<unsigned char>(utf8[0]))) {
    prefix = MappedDriveDir(utf8[0]);
    if (prefix.empty()) return std::string();
    rest = utf8.substr(2);
    if (prefix == "/" && !rest.empty() && (rest[0] == '\\' || rest[0] == '/')) prefix.clear();
  }
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  if (!prefix.empty() && rest.empty()) return prefix;
  return prefix + rest;
}

}  // namespace sorvik
