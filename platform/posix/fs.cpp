#include "platform/fs.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <ctime>

#include "platform/charset.h"
#include "platform/file_faults.h"
#include "platform/posix/native_path.h"

namespace sorvik {
namespace {

// Size limit of the delete operation's path buffer (1000 bytes, double-NUL terminated).
constexpr size_t kDeleteBufferSize = 1000;

bool RemoveTree(const std::string& native) {
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::unlink(native.c_str()) == 0;
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) return false;
  bool ok = true;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    ok = RemoveTree(native + "/" + name) && ok;
  }
  ::closedir(dir);
  return ::rmdir(native.c_str()) == 0 && ok;
}

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Windows finds names without regard to the case of ASCII letters; so does this stand-in when
// the exact name is missing: each component is looked up in its folder.
bool StatNoCase(const std::string& native, struct stat* st) {
  if (::stat(native.c_str(), st) == 0) return true;
  std::string resolved = native[0] == '/' ? "/" : ".";
  size_t start = native[0] == '/' ? 1 : 0;
  while (start <= native.size()) {
    size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    std::string part = native.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    std::string exact = resolved + (resolved == "/" ? "" : "/") + part;
    if (::stat(exact.c_str(), st) == 0) {
      resolved = exact;
      continue;
    }
    DIR* dir = ::opendir(resolved.c_str());
    if (dir == nullptr) return false;
    std::string match;
    while (struct dirent* entry = ::readdir(dir)) {
      if (SameNoCase(entry->d_name, part)) {
        match = entry->d_name;
        break;
      }
    }
    ::closedir(dir);
    if (match.empty()) return false;
    resolved += (resolved == "/" ? "" : "/") + match;
  }
  return ::stat(resolved.c_str(), st) == 0;
}

}  // namespace

bool PathExists(const std::string& path) {
  std::string native = NativePath(path);
  struct stat st;
  return !native.empty() && StatNoCase(native, &st);
}

bool IsFolder(const std::string& path) {
  std::string native = NativePath(path);
  struct stat st;
  return !native.empty() && StatNoCase(native, &st) && S_ISDIR(st.st_mode);
}

bool FileSizeOf(const std::string& path, uint64_t* size) {
  std::string native = NativePath(path);
  struct stat st;
  if (native.empty() || !StatNoCase(native, &st) || !S_ISREG(st.st_mode)) return false;
  *size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool CreateFolder(const std::string& path) {
  std::string native = NativePath(path);
  if (native.empty() || !FileOpAllowed(FileOp::kCreateFolder, path)) return false;
  return ::mkdir(native.c_str(), 0755) == 0 || IsFolder(path);
}

bool RenamePath(const std::string& from, const std::string& to) {
  std::string a = NativePath(from), b = NativePath(to);
  if (a.empty() || b.empty() || PathExists(to) || !FileOpAllowed(FileOp::kRename, from)) {
    return false;
  }
  return ::rename(a.c_str(), b.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
  std::string native = NativePath(path);
  return !native.empty() && FileOpAllowed(FileOp::kRemove, path) && ::unlink(native.c_str()) == 0;
}

bool ReplacePath(const std::string& from, const std::string& to) {
  std::string a = NativePath(from), b = NativePath(to);
  if (a.empty() || b.empty() || !FileOpAllowed(FileOp::kRename, from)) return false;
  return ::rename(a.c_str(), b.c_str()) == 0;
}

bool DeleteFolderTree(const std::string& path) {
  if (path.empty() || path.size() + 2 > kDeleteBufferSize) return false;
  std::string native = NativePath(path);
  if (native.empty() || native == "/" || !FileOpAllowed(FileOp::kRemove, path)) return false;
  return RemoveTree(native);
}

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return ".\\";
  std::string exe(buffer, static_cast<size_t>(n));
  std::string folder = Utf8ToGbk(exe.substr(0, exe.rfind('/') + 1));
  return folder;
}

bool SetCurrentFolder(const std::string& path) {
  std::string native = NativePath(path);
  return !native.empty() && ::chdir(native.c_str()) == 0;
}

uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

void SleepMs(uint32_t ms) {
  struct timespec ts = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace sorvik
