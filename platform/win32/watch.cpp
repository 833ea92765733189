#include "platform/watch.h"

#include <windows.h>

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

}  // namespace

struct FolderWatch::State {
  HANDLE folder = INVALID_HANDLE_VALUE;  // the watched folder, opened for listing
  HANDLE event = nullptr;                // signalled when a read completes
  OVERLAPPED overlapped = {};            // the read in flight
  bool pending = false;                  // a read is in flight
  std::string root;                      // program path of the folder, no trailing backslash
  DWORD buffer[kNotifyBufferBytes / sizeof(DWORD)];  // FILE_NOTIFY_INFORMATION records

  ~State() {
    if (pending) {
      // The read must be over before its buffer goes.
      CancelIo(folder);
      DWORD bytes = 0;
      GetOverlappedResult(folder, &overlapped, &bytes, TRUE);
    }
    if (folder != INVALID_HANDLE_VALUE) CloseHandle(folder);
    if (event != nullptr) CloseHandle(event);
  }

  bool Issue() {
    ResetEvent(event);
    overlapped = OVERLAPPED();
    overlapped.hEvent = event;
    pending = ReadDirectoryChangesW(folder, buffer, sizeof buffer, TRUE, kNotifyFilter, nullptr,
                                    &overlapped, nullptr) != FALSE;
    return pending;
  }

  void Parse(DWORD bytes, std::vector<std::string>* paths) {
    const BYTE* at = reinterpret_cast<const BYTE*>(buffer);
    const BYTE* end = at + bytes;
    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= end) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
      const BYTE* name_end = reinterpret_cast<const BYTE*>(info->FileName) + info->FileNameLength;
      if (name_end > end) break;  // a record cut short: nothing after it can be trusted
      const std::string name = Narrow(info->FileName, info->FileNameLength / sizeof(WCHAR));
      if (!name.empty()) paths->push_back(root + "\\" + name);
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
  return std::unique_ptr<FolderWatch>(new FolderWatch(std::move(state)));
}

WatchStatus FolderWatch::Wait(uint32_t ms, std::vector<std::string>* paths) {
  State& state = *state_;
  if (!state.pending) return WatchStatus::kFailed;
  if (WaitForSingleObject(state.event, ms) != WAIT_OBJECT_0) return WatchStatus::kIdle;
  DWORD bytes = 0;
  const BOOL done = GetOverlappedResult(state.folder, &state.overlapped, &bytes, FALSE);
  const DWORD error = done ? ERROR_SUCCESS : GetLastError();
  state.pending = false;
  if (!done && error != ERROR_NOTIFY_ENUM_DIR) return WatchStatus::kFailed;
  // An empty completion (or ERROR_NOTIFY_ENUM_DIR) means the changes did not fit the buffer.
  const bool overflow = !done || bytes == 0;
  if (!overflow) state.Parse(bytes, paths);
  if (!state.Issue()) return WatchStatus::kFailed;
  return overflow ? WatchStatus::kOverflow : WatchStatus::kChanges;
}

uint32_t FolderWatch::SystemWatches() const { return 1; }

}  // namespace sorvik
