#include "platform/find.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

#include "platform/charset.h"
#include "platform/posix/native_path.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

// Seconds from 1601-01-01 to 1970-01-01 and FILETIME ticks per second.
constexpr int64_t kEpochDifference = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

// One open enumeration, behind the handle that FindFirstEntry returns.
struct Enumeration {
  DIR* dir;             // the listed folder
  std::string pattern;  // last component of the pattern, GBK
  bool match_all;       // the pattern is "*" (or "*.*"): no matching needed
  bool hide_dot_links;  // a drive root: "." and ".." are not listed
};

bool IsDotLink(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

uint64_t Ticks(const struct timespec& time) {
  if (time.tv_sec < -kEpochDifference) return 0;
  return static_cast<uint64_t>(time.tv_sec + kEpochDifference) * kTicksPerSecond +
         static_cast<uint64_t>(time.tv_nsec / 100);
}

// Sets record->name to the GBK form of `native_name`; false when it does not fit. Control
// characters become "?": a line feed, carriage return or tab (impossible on Windows) would break
// the line-based records the names end up in.
bool ConvertName(const char* native_name, FindRecord* record) {
  size_t length = std::strlen(native_name);
  bool ascii = true;
  for (size_t i = 0; i < length && ascii; ++i) {
    ascii = static_cast<unsigned char>(native_name[i]) < 0x80;
  }
  if (ascii) {
    if (length >= kFindNameSize) return false;
    std::memcpy(record->name, native_name, length + 1);
  } else {
    std::string gbk = Utf8ToGbk(std::string(native_name, length));
    if (gbk.size() >= kFindNameSize) return false;
    std::memcpy(record->name, gbk.c_str(), gbk.size() + 1);
  }
  for (char* c = record->name; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 0x20) *c = '?';
  }
  return true;
}

// Sets how the folder `record` is listed: through its native name when its GBK name lost
// characters (it does not read back as the native name).
void SetReach(const char* native_name, FindRecord* record) {
  record->reach_form = kReachByName;
  record->reach[0] = '\0';
  if ((record->attributes & kAttributeDirectory) == 0) return;
  if (std::strcmp(record->name, native_name) == 0 || GbkToUtf8(record->name) == native_name) {
    return;
  }
  const size_t length = std::strlen(native_name);
  record->reach_form = length < kFindReachSize ? kReachNative : kReachNone;
  if (record->reach_form == kReachNative) std::memcpy(record->reach, native_name, length + 1);
}

// Fills `record` from one directory entry; false when the entry is to be left out or does not
// match `pattern` (null: everything matches).
bool Describe(DIR* dir, const char* native_name, const char* pattern, FindRecord* record) {
  if (!ConvertName(native_name, record)) return false;
  if (pattern != nullptr && !GbkWildcardMatch(pattern, record->name)) return false;
  struct stat st;
  int fd = ::dirfd(dir);
  // "." is the listed folder itself: its open descriptor answers without a path lookup.
  const bool self = native_name[0] == '.' && native_name[1] == '\0';
  if ((self ? ::fstat(fd, &st) : ::fstatat(fd, native_name, &st, AT_SYMLINK_NOFOLLOW)) != 0) {
    return false;
  }
  record->last_write = Ticks(st.st_mtim);
  if (S_ISLNK(st.st_mode)) {
    struct stat target;
    bool folder = ::fstatat(fd, native_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
    record->attributes =
        kAttributeReparsePoint | (folder ? kAttributeDirectory : kAttributeArchive);
    record->size = 0;
  } else if (S_ISDIR(st.st_mode)) {
    record->attributes = kAttributeDirectory;
    record->size = 0;
  } else {
    record->attributes = kAttributeArchive;
    record->size = static_cast<uint64_t>(st.st_size);
  }
  if (record->name[0] == '.' && !IsDotLink(record->name)) record->attributes |= kAttributeHidden;
  SetReach(native_name, record);
  return true;
}

// Starts listing the POSIX folder `native` for the GBK pattern `name`.
intptr_t OpenEnumeration(const std::string& native, const std::string& name, bool root,
                         FindRecord* record) {
  if (native.empty()) return kInvalidFind;
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) return kInvalidFind;
  Enumeration* enumeration = new Enumeration{dir, name, name == "*" || name == "*.*", root};
  intptr_t handle = reinterpret_cast<intptr_t>(enumeration);
  if (!FindNextEntry(handle, record)) {
    FindCloseEntry(handle);
    return kInvalidFind;
  }
  return handle;
}

bool IsDriveRoot(const std::string& folder) { return folder.size() == 2 && folder[1] == ':'; }

}  // namespace

intptr_t FindFirstEntry(const std::string& pattern, FindRecord* record) {
  size_t separator = GbkLastSlash(pattern);
  std::string folder = separator == std::string::npos ? "." : pattern.substr(0, separator);
  std::string name = separator == std::string::npos ? pattern : pattern.substr(separator + 1);
  if (name.empty()) return kInvalidFind;
  std::string native = folder.empty() ? std::string("/") : NativePath(folder);
  return OpenEnumeration(native, name, IsDriveRoot(folder), record);
}

intptr_t FindFirstIn(const FindPath& folder, FindRecord* record) {
  if (!folder.native) return FindFirstEntry(folder.text + "\\*", record);
  return OpenEnumeration(folder.text.empty() ? std::string("/") : folder.text, "*", false, record);
}

bool JoinFindPath(const FindPath& folder, const FindRecord& record, FindPath* child) {
  switch (record.reach_form) {
    case kReachByName:
      child->native = folder.native;
      child->text = folder.text + (folder.native ? "/" + GbkToUtf8(record.name)
                                                 : "\\" + std::string(record.name));
      return true;
    case kReachNative:
      child->native = true;
      child->text = (folder.native ? folder.text : NativePath(folder.text)) + "/" + record.reach;
      return true;
    default:
      return false;
  }
}

bool FindNextEntry(intptr_t handle, FindRecord* record) {
  Enumeration* enumeration = reinterpret_cast<Enumeration*>(handle);
  while (struct dirent* entry = ::readdir(enumeration->dir)) {
    if (enumeration->hide_dot_links && IsDotLink(entry->d_name)) continue;
    const char* pattern = enumeration->match_all ? nullptr : enumeration->pattern.c_str();
    if (Describe(enumeration->dir, entry->d_name, pattern, record)) return true;
  }
  return false;
}

void FindCloseEntry(intptr_t handle) {
  Enumeration* enumeration = reinterpret_cast<Enumeration*>(handle);
  ::closedir(enumeration->dir);
  delete enumeration;
}

void IgnoreShortNames(bool) {}

bool FolderListable(const std::string& folder) {
  const std::string native = NativePath(folder);
  DIR* dir = native.empty() ? nullptr : ::opendir(native.c_str());
  if (dir == nullptr) return false;
  ::closedir(dir);
  return true;
}

bool StatEntry(const std::string& path, FindRecord* record) {
  if (path.find_first_of("*?") != std::string::npos) return false;
  const std::string native = NativePath(path);
  const size_t slash = native.rfind('/');
  if (native.empty() || slash == std::string::npos || slash + 1 == native.size()) return false;
  DIR* dir = ::opendir(slash == 0 ? "/" : native.substr(0, slash).c_str());
  if (dir == nullptr) return false;
  const bool found = Describe(dir, native.c_str() + slash + 1, nullptr, record);
  ::closedir(dir);
  return found;
}

namespace {

// The one entry of the native folder `folder` whose program name is `name`; false when none or
// several read as it.
bool UniqueNativeName(const std::string& folder, const std::string& name, std::string* native) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  int found = 0;
  FindRecord record;
  while (struct dirent* entry = ::readdir(dir)) {
    if (IsDotLink(entry->d_name) || !ConvertName(entry->d_name, &record) || name != record.name)
      continue;
    *native = entry->d_name;
    if (++found > 1) break;
  }
  ::closedir(dir);
  return found == 1;
}

}  // namespace

bool ExactNativePath(const std::string& path, std::string* native) {
  *native = NativePath(path);
  if (native->empty() || path.size() < 2 || path[1] != ':') return false;
  if (path.find('?') == std::string::npos) return true;
  // Converted first, so that a GBK trail byte 0x5C is no separator; "?" is ASCII in both forms.
  const std::string utf8 = GbkToUtf8(path);
  std::string folder = MappedDriveDir(utf8[0]);
  size_t start = 2;
  while (start < utf8.size()) {
    size_t end = utf8.find('\\', start);
    if (end == std::string::npos) end = utf8.size();
    std::string name = utf8.substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    if (name.find('?') != std::string::npos && !UniqueNativeName(folder, Utf8ToGbk(name), &name))
      return false;
    folder = (folder == "/" ? std::string() : folder) + "/" + name;
  }
  *native = folder;
  return true;
}

}  // namespace sorvik
