#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "settings/object_directory.h"
#include "sorvik_version.h"
#include "update/file_signature.h"
#include "update/online_update.h"
#include "update/update_keys.h"
#include "update/url_download.h"

namespace sorvik {
namespace {

constexpr uint32_t kDigestBytes = 16;  // the MD5 digest at the end of the notice file
constexpr int kDownloadTries = 2;      // a failed file download is tried once more

// The whole file at `path` when it is at most `max_bytes` long.
bool ReadSmallFile(const std::string& path, uint64_t max_bytes, std::string* text) {
  uint64_t size = 0;
  if (!FileSizeOf(path, &size) || size > max_bytes) return false;
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  if (!file) return false;
  text->assign(static_cast<size_t>(size), '\0');
  return size == 0 || file->Read(&(*text)[0], static_cast<uint32_t>(size)) == size;
}

// Cuts the digest off the end of the downloaded notice file; false when it is too short.
bool SplitDigest(const std::string& path, Md5Digest* digest) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  if (!file) return false;
  const uint64_t size = file->Size();
  if (!NoticeFileLongEnough(size)) return false;
  return file->ReadAt(size - kDigestBytes, digest->data(), kDigestBytes) == kDigestBytes &&
         file->SetSize(size - kDigestBytes);
}

bool DecryptNotice(const std::string& encrypted, const std::string& plain) {
  EnsureUserKeys();
  return DecryptFileWithPassphrase(encrypted, plain, kNoticePassphrase);
}

bool DigestMatches(const std::string& body, const Md5Digest& expected) {
  Md5Digest actual;
  uint32_t length = kMd5Size;
  return Md5OfBuffer(body.data(), body.size(), actual.data(), &length) && actual == expected;
}

// Creates every folder above the file `path` that lies below `root`.
bool CreateFoldersFor(const std::string& path, const std::string& root) {
  for (size_t slash = path.find('\\', root.size()); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    if (!CreateFolder(path.substr(0, slash))) return false;
  }
  return true;
}

bool SignatureIs(const std::string& path, const std::string& expected) {
  std::string signature;
  return FileSignature(path, &signature) && signature == expected;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

UpdateSetup SystemUpdateSetup() {
  UpdateSetup setup;
  char buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  setup.program_path.assign(buffer, length < MAX_PATH ? length : 0);
  setup.program_folder = FolderOf(setup.program_path);
  const UINT system = GetSystemDirectoryA(buffer, MAX_PATH);
  setup.system_folder.assign(buffer, system < MAX_PATH ? system : 0);
  while (!setup.system_folder.empty() && setup.system_folder.back() == '\\')
    setup.system_folder.pop_back();
  setup.server = UpdateServer();
  return setup;
}

bool OnlineUpdate::DownloadNotices() {
  const std::string raw = Scratch(kNoticeScratch), plain = Scratch(kPlainScratch);
  RemoveFile(raw);
  RemoveFile(plain);
  Md5Digest expected;
  std::string body;
  const bool ok = DownloadUrlToFile(setup_.server + kNoticePath, raw, kMaxNoticeFileBytes) &&
                  SplitDigest(raw, &expected) && DecryptNotice(raw, plain) &&
                  ReadSmallFile(plain, kMaxNoticeFileBytes, &body) && DigestMatches(body, expected);
  RemoveFile(raw);
  RemoveFile(plain);
  if (!ok) return false;
  // The list is complete before it is published: the window's timer may read it at any time.
  // An earlier list is left alive, as the timer may still hold it.
  ObjectDirectory::Set(kNoticesKey, new NoticeLines(ParseNoticeLines(body)));
  return true;
}

bool OnlineUpdate::CheckForUpdate() {
  char path[64];
  std::snprintf(path, sizeof path, kVersionCheckPath, SORVIK_VERSION_CHECK_NUMBER);
  const std::string answer_file = Scratch(kVersionScratch);
  RemoveFile(answer_file);
  if (!DownloadUrlToFile(setup_.server + path, answer_file, kMaxVersionAnswerBytes)) return false;
  std::string answer;
  const bool read = ReadSmallFile(answer_file, kMaxVersionAnswerBytes, &answer);
  RemoveFile(answer_file);
  if (read && VersionAnswerSaysOk(answer)) RunUpdate();
  return true;
}

bool OnlineUpdate::ReadList(std::vector<UpdateEntry>* entries) {
  const std::string list_file = Scratch(kVersionScratch);
  RemoveFile(list_file);
  std::string text;
  const bool ok =
      DownloadUrlToFile(setup_.server + kUpdateListPath, list_file, kMaxUpdateListBytes) &&
      ReadSmallFile(list_file, kMaxUpdateListBytes, &text) && ParseUpdateList(text, entries);
  RemoveFile(list_file);
  return ok && !entries->empty();
}

bool OnlineUpdate::SelectChanged(const std::vector<UpdateEntry>& entries,
                                 std::vector<UpdateEntry>* changed,
                                 std::vector<TargetPaths>* paths) {
  for (const UpdateEntry& entry : entries) {
    TargetPaths target;
    if (!ExpandTarget(entry.target, setup_.program_folder, setup_.system_folder, staging_, &target))
      return false;
    if (SignatureIs(target.local, entry.signature)) continue;
    changed->push_back(entry);
    paths->push_back(target);
  }
  return true;
}

bool OnlineUpdate::StageFile(const UpdateEntry& entry, const TargetPaths& paths) {
  if (!CreateFolder(staging_) || !CreateFoldersFor(paths.staged, staging_)) return false;
  bool downloaded = false;
  for (int attempt = 0; attempt < kDownloadTries && !downloaded; ++attempt)
    downloaded = DownloadUrlToFile(entry.url, paths.staged, kMaxUpdateFileBytes);
  return downloaded && SignatureIs(paths.staged, entry.signature);
}

void OnlineUpdate::InstallNewUpdater() {
  const std::string staged = staging_ + "\\app\\" + kUpdaterName;
  if (!PathExists(staged)) return;
  const std::string current = setup_.program_folder + "\\" + kUpdaterName;
  RemoveFile(current);
  MoveFileExA(staged.c_str(), current.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
}

bool OnlineUpdate::WriteRegistration(const std::vector<UpdateEntry>& changed,
                                     const std::vector<TargetPaths>& paths) {
  std::vector<std::string> registered;
  for (size_t i = 0; i < changed.size(); ++i) {
    if (changed[i].register_flag == "1") registered.push_back(paths[i].local);
  }
  const std::string text = RegistrationText(setup_.program_path, registered);
  const std::string path = setup_.program_folder + "\\" + kRegistrationName;
  RemoveFile(path);
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  return file && file->Write(text.data(), static_cast<uint32_t>(text.size())) == text.size();
}

UpdateOutcome OnlineUpdate::RunUpdate() {
  std::vector<UpdateEntry> entries;
  if (!ReadList(&entries)) return UpdateOutcome::kNoList;
  DeleteFolderTree(staging_);
  std::vector<UpdateEntry> changed;
  std::vector<TargetPaths> paths;
  bool ok = SelectChanged(entries, &changed, &paths);
  if (ok && changed.empty()) return UpdateOutcome::kNothingToDo;
  for (size_t i = 0; ok && i < changed.size(); ++i) ok = StageFile(changed[i], paths[i]);
  if (!ok) {
    DeleteFolderTree(staging_);
    return UpdateOutcome::kAbandoned;
  }
  InstallNewUpdater();
  WriteRegistration(changed, paths);
  HandOver();
  return UpdateOutcome::kHandedOver;
}

void OnlineUpdate::HandOver() {
  HWND window = static_cast<HWND>(main_window_ != nullptr ? main_window_() : nullptr);
  const UINT style = MB_OK | MB_ICONQUESTION | MB_TOPMOST;
  // Quoted: an unquoted path with a blank would start "C:\\Program.exe" if one existed.
  const std::string updater = "\"" + setup_.program_folder + "\\" + kUpdaterName + "\"";
  MessageBoxA(window != nullptr ? window : GetForegroundWindow(), kUpdateMessage, kUpdateCaption,
              style);
  if (window == nullptr) {
    WinExec(updater.c_str(), SW_HIDE);
    ExitProcess(0);
  }
  SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  WinExec(updater.c_str(), SW_HIDE);
  PostMessageA(window, WM_COMMAND, kExitCommand, 0);
  // The background thread ends here: the exit command ends the process shortly.
  for (;;) Sleep(INFINITE);
}

void RunOnlineStep(void* (*main_window)()) {
  // The URL monikers run on COM; this thread has not started it yet.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  OnlineUpdate update(SystemUpdateSetup(), main_window);
  update.DownloadNotices();
  update.CheckForUpdate();
  if (com) CoUninitialize();
}

}  // namespace sorvik
