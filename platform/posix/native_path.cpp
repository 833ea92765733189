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

std::map<char, std::string>& DriveMap() {
  static std::map<char, std::string> drives;
  return drives;
}

}  // namespace

bool MapDrive(char letter, const std::string& dir) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (letter < 'A' || letter > 'Z') return false;
  std::string clean = dir;
  while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
  std::lock_guard<std::mutex> hold(MapLock());
  DriveMap()[letter] = clean;
  return true;
}

void ClearDriveMap() {
  std::lock_guard<std::mutex> hold(MapLock());
  DriveMap().clear();
}

std::string MappedDriveDir(char letter) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  std::lock_guard<std::mutex> hold(MapLock());
  auto it = DriveMap().find(letter);
  return it == DriveMap().end() ? std::string() : it->second;
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
