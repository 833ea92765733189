#include "platform/watch.h"

#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <unordered_map>

#include "platform/charset.h"
#include "platform/posix/native_path.h"

namespace sorvik {
namespace {

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_ONLYDIR |
                                   IN_DONT_FOLLOW;
constexpr size_t kReadBufferBytes = 64 * 1024;

bool IsDotLink(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

struct FolderWatch::State {
  int fd = -1;                                     // the inotify instance
  std::string root;                                // program path of the watched root
  std::unordered_map<int, std::string> folders;    // watch descriptor -> program path
  std::unordered_map<std::string, int> by_path;    // program path -> watch descriptor
  std::unordered_map<int, std::string> native_of;  // watch descriptor -> native path
  bool failed = false;                             // a folder could not be watched

  ~State() {
    if (fd >= 0) ::close(fd);
  }

  // Watches the folder `native` (program path `path`) and every folder below it; appends the
  // program paths of the entries below it to `found` when given. False when the system refused
  // a watch (its limit is reached).
  bool AddTree(const std::string& native, const std::string& path, std::vector<std::string>* found);
  // Forgets the watches of `path` and of every folder below it (the folder moved or went away).
  void DropTree(const std::string& path);
  // Turns one event into paths; false when the watch cannot go on.
  bool Take(const struct inotify_event& event, std::vector<std::string>* paths, bool* overflow);
};

bool FolderWatch::State::AddTree(const std::string& native, const std::string& path,
                                 std::vector<std::string>* found) {
  const int wd = inotify_add_watch(fd, native.c_str(), kFolderEvents);
  if (wd < 0) return errno == ENOENT || errno == ENOTDIR;  // gone already: nothing to watch
  folders[wd] = path;
  by_path[path] = wd;
  native_of[wd] = native;
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) return true;
  bool ok = true;
  while (struct dirent* entry = ::readdir(dir)) {
    if (IsDotLink(entry->d_name)) continue;
    const std::string child = path + "\\" + Utf8ToGbk(entry->d_name);
    const std::string child_native = native + "/" + entry->d_name;
    if (found != nullptr) found->push_back(child);
    struct stat info;
    if (::lstat(child_native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      ok = AddTree(child_native, child, found) && ok;
    }
  }
  ::closedir(dir);
  return ok;
}

void FolderWatch::State::DropTree(const std::string& path) {
  const std::string below = path + "\\";
  for (auto it = by_path.begin(); it != by_path.end();) {
    if (it->first == path || it->first.compare(0, below.size(), below) == 0) {
      inotify_rm_watch(fd, it->second);
      folders.erase(it->second);
      native_of.erase(it->second);
      it = by_path.erase(it);
    } else {
      ++it;
    }
  }
}

bool FolderWatch::State::Take(const struct inotify_event& event, std::vector<std::string>* paths,
                              bool* overflow) {
  if (event.mask & IN_Q_OVERFLOW) {
    *overflow = true;
    return true;
  }
  auto folder = folders.find(event.wd);
  if (folder == folders.end()) return true;  // a folder already forgotten
  if (event.mask & (IN_DELETE_SELF | IN_IGNORED)) {
    // The root itself went away: nothing below it can be watched any more.
    return folder->second != root;
  }
  if (event.len == 0 || event.name[0] == '\0') return true;
  const std::string path = folder->second + "\\" + Utf8ToGbk(event.name);
  paths->push_back(path);
  if ((event.mask & IN_ISDIR) == 0) return true;
  if (event.mask & (IN_MOVED_FROM | IN_DELETE)) DropTree(path);
  if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
    // Entries made in the new folder before its watch existed are reported by the walk.
    const std::string native = native_of[event.wd] + "/" + event.name;
    if (!AddTree(native, path, paths)) return false;
  }
  return true;
}

FolderWatch::FolderWatch(std::unique_ptr<State> state) : state_(std::move(state)) {}

FolderWatch::~FolderWatch() = default;

std::unique_ptr<FolderWatch> FolderWatch::Open(const std::string& root, std::string* error) {
  std::string native = NativePath(root.size() == 2 ? root + "\\" : root);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat info;
  if (native.empty() || ::stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = "no folder at " + root;
    return nullptr;
  }
  auto state = std::make_unique<State>();
  state->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (state->fd < 0) {
    *error = std::string("inotify_init1: ") + std::strerror(errno);
    return nullptr;
  }
  state->root = root;
  if (!state->AddTree(native, root, nullptr)) {
    *error = "the system refused more folder watches (" + std::to_string(state->folders.size()) +
             " taken)";
    return nullptr;
  }
  return std::unique_ptr<FolderWatch>(new FolderWatch(std::move(state)));
}

WatchStatus FolderWatch::Wait(uint32_t ms, std::vector<std::string>* paths) {
  if (state_->failed) return WatchStatus::kFailed;
  struct pollfd wait = {state_->fd, POLLIN, 0};
  if (::poll(&wait, 1, static_cast<int>(ms)) <= 0) return WatchStatus::kIdle;
  alignas(struct inotify_event) char buffer[kReadBufferBytes];
  bool overflow = false;
  const size_t before = paths->size();
  for (;;) {
    const ssize_t got = ::read(state_->fd, buffer, sizeof buffer);
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
      if (!state_->Take(*event, paths, &overflow)) state_->failed = true;
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
    }
  }
  if (state_->failed) return WatchStatus::kFailed;
  if (overflow) return WatchStatus::kOverflow;
  return paths->size() > before ? WatchStatus::kChanges : WatchStatus::kIdle;
}

uint32_t FolderWatch::SystemWatches() const {
  return static_cast<uint32_t>(state_->folders.size());
}

}  // namespace sorvik
