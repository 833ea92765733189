#include "platform/watch.h"

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace sorvik {
namespace {

constexpr DWORD kNotifyBufferBytes = 64 * 1024;  // the most a network drive accepts as well
constexpr DWORD kNotifyFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;

// A UTF-16 name of a notification in the ANSI code page, "?" for what it cannot hold.
std::string Narrow(const WCHAR* text, DWORD chars) {
  if (chars == 0) return std::string();
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(chars), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(chars), &out[0], bytes, nullptr, nullptr);
  return out;
}

// Under Wine the host watches a folder of a subtree only once some program opened it after the
// watch began (folders made later are watched as they come). Elsewhere this is never needed.
bool HostWatchesOpenedFoldersOnly() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

constexpr size_t kFoldersOpenedAtOpen = 20000;  // folders opened before Open returns
constexpr size_t kFoldersOpenedPerWait = 256;   // and then between two looks at the changes
constexpr size_t kMovedFoldersKept = 64;        // moved folders whose old paths are mapped

}  // namespace

struct FolderWatch::State {
  HANDLE folder = INVALID_HANDLE_VALUE;  // the watched folder, opened for listing
  HANDLE event = nullptr;                // signalled when a read completes
  OVERLAPPED overlapped = {};            // the read in flight
  bool pending = false;                  // a read is in flight
  std::string root;                      // program path of the folder, no trailing backslash
  bool open_folders = false;             // folders must be opened to be watched (Wine)
  // Folders still to open, with their sub-folders, and whether their entries are reported.
  std::vector<std::pair<std::string, bool>> to_open;
  std::string renamed_from;  // the old name of the last rename reported
  std::vector<std::pair<std::string, std::string>> moved;  // folders moved: old, new path
  DWORD buffer[kNotifyBufferBytes / sizeof(DWORD)];        // FILE_NOTIFY_INFORMATION records

  ~State() {
    Cancel();
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    if (event != nullptr) CloseHandle(event);
  }

  // Ends the read in flight; the buffer may go afterwards.
  void Cancel() {
    if (!pending) return;
    CancelIo(folder);
    DWORD bytes = 0;
    GetOverlappedResult(folder, &overlapped, &bytes, TRUE);
    pending = false;
  }

  bool FolderStillThere() const {
    const std::string path = root.size() == 2 ? root + "\\" : root;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  bool Issue() {
    ResetEvent(event);
    overlapped = OVERLAPPED();
    overlapped.hEvent = event;
    pending = ReadDirectoryChangesW(folder, buffer, sizeof buffer, TRUE, kNotifyFilter, nullptr,
                                    &overlapped, nullptr) != FALSE;
    return pending;
  }

  // Lists up to `budget` folders of to_open (which opens them), queueing their sub-folders.
  // The entries of a folder that appeared are appended to `found`: they may have been made
  // before the host watched it.
  void OpenSome(size_t budget, std::vector<std::string>* found) {
    for (; budget > 0 && !to_open.empty(); --budget) {
      const std::pair<std::string, bool> folder = to_open.back();
      to_open.pop_back();
      WIN32_FIND_DATAA data;
      HANDLE find = FindFirstFileA((folder.first + "\\*").c_str(), &data);
      if (find == INVALID_HANDLE_VALUE) continue;
      do {
        const bool dots =
            data.cFileName[0] == '.' &&
            (data.cFileName[1] == '\0' || (data.cFileName[1] == '.' && data.cFileName[2] == '\0'));
        if (dots) continue;
        const std::string path = folder.first + "\\" + data.cFileName;
        if (folder.second) found->push_back(path);
        const DWORD folder_bits = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if ((data.dwFileAttributes & folder_bits) == FILE_ATTRIBUTE_DIRECTORY) {
          to_open.emplace_back(path, folder.second);
        }
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
  }

  // Under Wine, a folder renamed or moved inside the drive goes on being reported under its old
  // path; a path below a moved folder's old path, now gone, is given its new place.
  std::string Relocated(std::string path) const {
    // Oldest first: the server may report a folder under any of its earlier names.
    for (const auto& move : moved) {
      const std::string& from = move.first;
      if (path.size() > from.size() && path.compare(0, from.size(), from) == 0 &&
          path[from.size()] == '\\' &&
          GetFileAttributesA(from.c_str()) == INVALID_FILE_ATTRIBUTES) {
        path = move.second + path.substr(from.size());
      }
    }
    return path;
  }

  // One reported path (`action` a FILE_ACTION_* value).
  void Take(DWORD action, const std::string& reported, std::vector<std::string>* paths) {
    const std::string path = open_folders ? Relocated(reported) : reported;
    paths->push_back(path);
    if (!open_folders) return;
    if (action == FILE_ACTION_RENAMED_OLD_NAME) renamed_from = path;
    // Only a folder that appears needs opening: one that changed is watched already.
    if (action != FILE_ACTION_ADDED && action != FILE_ACTION_RENAMED_NEW_NAME) return;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      return;
    // A folder made or moved in was never opened here: its own folders are not watched yet.
    to_open.emplace_back(path, true);
    if (action == FILE_ACTION_RENAMED_NEW_NAME && !renamed_from.empty()) Moved(renamed_from, path);
  }

  // Records that folder `from` is now `to`. Folders moved earlier below `from` are reported
  // from now on below `to`, under their names before that earlier move.
  void Moved(const std::string& from, const std::string& to) {
    const std::string below = from + "\\";
    for (auto& entry : moved) {
      for (std::string* path : {&entry.first, &entry.second}) {
        if (path->compare(0, below.size(), below) == 0) *path = to + path->substr(from.size());
      }
    }
    moved.emplace_back(from, to);
    if (moved.size() > kMovedFoldersKept) moved.erase(moved.begin());
  }

  void Parse(DWORD bytes, std::vector<std::string>* paths) {
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer);
    const BYTE* end = at + bytes;
    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      const BYTE* name_end = reinterpret_cast<const BYTE*>(info->FileName) + info->FileNameLength;
      if (name_end > end) break;  // a record cut short: nothing after it can be trusted
      const std::string name = Narrow(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (!name.empty()) Take(info->Action, root + "\\" + name, paths);
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
  }
};

FolderWatch::FolderWatch(std::unique_ptr<State> state) : state_(std::move(state)) {}

FolderWatch::~FolderWatch() = default;

std::unique_ptr<FolderWatch> FolderWatch::Open(const std::string& root, std::string* error) {
  auto state = std::make_unique<State>();
  state->root = root;
  while (state->root.size() > 2 && state->root.back() == '\\') state->root.pop_back();
  const std::string open_path = state->root.size() == 2 ? state->root + "\\" : state->root;
  state->folder =
      CreateFileA(open_path.c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  state->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (state->folder == INVALID_HANDLE_VALUE || state->event == nullptr || !state->Issue()) {
    *error = "cannot watch " + open_path + " (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  state->open_folders = HostWatchesOpenedFoldersOnly();
  if (state->open_folders) {
    // Most trees are opened before the watch is handed out; a huge one goes on between waits.
    state->to_open.emplace_back(state->root, false);
    std::vector<std::string> none;
    state->OpenSome(kFoldersOpenedAtOpen, &none);
  }
  return std::unique_ptr<FolderWatch>(new FolderWatch(std::move(state)));
}

WatchStatus FolderWatch::Wait(uint32_t ms, std::vector<std::string>* paths) {
  State& state = *state_;
  if (!state.pending) return WatchStatus::kFailed;
  const size_t before = paths->size();
  if (!state.to_open.empty()) {
    state.OpenSome(kFoldersOpenedPerWait, paths);
    ms = 0;  // more to open: only a look at what came meanwhile
  }
  if (WaitForSingleObject(state.event, ms) != WAIT_OBJECT_0) {
    // A watched folder that was deleted may never complete the read (Wine's does not): it is
    // looked for while nothing comes.
    if (!state.FolderStillThere()) {
      state.Cancel();
      return WatchStatus::kFailed;
    }
    return paths->size() > before ? WatchStatus::kChanges : WatchStatus::kIdle;
  }
  DWORD bytes = 0;
  const BOOL done = GetOverlappedResult(state.folder, &state.overlapped, &bytes, FALSE);
  const DWORD error = done ? ERROR_SUCCESS : GetLastError();
  state.pending = false;
  if (!done && error != ERROR_NOTIFY_ENUM_DIR) return WatchStatus::kFailed;
  // An empty completion (or ERROR_NOTIFY_ENUM_DIR) means the changes did not fit the buffer.
  const bool overflow = !done || bytes == 0;
  if (!overflow) state.Parse(bytes, paths);
  if (!state.Issue()) return WatchStatus::kFailed;
  // Folders that just appeared are opened (and listed) at once, before more is made in them.
  state.OpenSome(kFoldersOpenedPerWait, paths);
  return overflow ? WatchStatus::kOverflow : WatchStatus::kChanges;
}

uint32_t FolderWatch::SystemWatches() const { return 1; }

}  // namespace sorvik
