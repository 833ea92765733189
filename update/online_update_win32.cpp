#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "sorvik_version.h"
#include "text/gbk_text.h"
#include "update/file_signature.h"
#include "update/live_update.h"
#include "update/online_update.h"
#include "update/signed_file.h"
#include "update/update_keys.h"
#include "update/url_download.h"

namespace sorvik {
namespace {

constexpr uint32_t kDigestBytes = 16;   // the MD5 digest at the end of the notice file
constexpr int kDownloadTries = 2;       // a failed file download is tried once more
constexpr char kToldLine[] = "told\n";  // the attempt record's first line once the user knows
constexpr char kOpenLine[] = "open\n";  // ... while the outcome is not known yet

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

bool WriteSmallFile(const std::string& path, const std::string& text) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  return file && file->SetSize(0) &&
         file->Write(text.data(), static_cast<uint32_t>(text.size())) == text.size();
}

}  // namespace

UpdateSetup SystemUpdateSetup() {
  UpdateSetup setup;
  char buffer[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  setup.program_path.assign(buffer, length < MAX_PATH ? length : 0);
  setup.program_folder = GbkFolderOf(setup.program_path);
  setup.system_folder = SystemFolderPath();
  setup.server = UpdateServer();
  setup.public_key = TrustedPublicKey(setup.server);
  setup.own_version = SORVIK_VERSION_TEXT;
  return setup;
}

DownloadLimits OnlineUpdate::Limits(uint64_t max_bytes) const {
  DownloadLimits limits;
  limits.max_bytes = max_bytes;
  limits.idle_ms = setup_.idle_ms;
  limits.total_ms = setup_.total_ms;
  return limits;
}

bool OnlineUpdate::DownloadText(const std::string& url, size_t max_bytes,
                                const std::string& scratch, std::string* text) {
  const bool ok =
      DownloadUrlToFile(url, scratch, Limits(max_bytes)) && ReadSmallFile(scratch, max_bytes, text);
  RemoveFile(scratch);
  return ok;
}

// The file at `path` on the server and its signature file, checked with the publisher's key.
bool OnlineUpdate::DownloadSigned(SignedKind kind, const std::string& path, size_t max_bytes,
                                  const std::string& scratch, std::string* body,
                                  std::string* signature, std::string* version) {
  return DownloadText(setup_.server + path, max_bytes, scratch, body) &&
         DownloadText(setup_.server + path + kSignatureSuffix, kMaxSignatureFileBytes, scratch,
                      signature) &&
         CheckSignatureFile(kind, *body, *signature, setup_.public_key, version);
}

bool OnlineUpdate::DownloadNotices() {
  const std::string raw = Scratch(kNoticeScratch), plain = Scratch(kPlainScratch);
  RemoveFile(raw);
  RemoveFile(plain);
  std::string file, signature, version, body;
  Md5Digest expected;
  const bool ok = DownloadSigned(SignedKind::kNotices, kNoticePath, kMaxNoticeFileBytes, raw, &file,
                                 &signature, &version) &&
                  WriteSmallFile(raw, file) && SplitDigest(raw, &expected) &&
                  DecryptNotice(raw, plain) && ReadSmallFile(plain, kMaxNoticeFileBytes, &body) &&
                  DigestMatches(body, expected);
  RemoveFile(raw);
  RemoveFile(plain);
  if (!ok) return false;
  // The list is complete before it is published, and never changed after.
  auto notices = std::make_shared<const NoticeLines>(ParseNoticeLines(body));
  if (hooks_.publish_notices) hooks_.publish_notices(std::move(notices));
  return true;
}

bool OnlineUpdate::CheckForUpdate() {
  char path[64];
  std::snprintf(path, sizeof path, kVersionCheckPath, SORVIK_VERSION_CHECK_NUMBER);
  const std::string answer_file = Scratch(kVersionScratch);
  RemoveFile(answer_file);
  std::string answer;
  if (!DownloadText(setup_.server + path, kMaxVersionAnswerBytes, answer_file, &answer))
    return false;
  if (VersionAnswerSaysOk(answer)) RunUpdate();
  return true;
}

// The signed list of a newer version; `signature` receives its signature file, which names this
// list and version. Otherwise false, with the reason in `refused`.
bool OnlineUpdate::ReadList(std::vector<UpdateEntry>* entries, std::string* signature,
                            UpdateOutcome* refused) {
  const std::string list_file = Scratch(kVersionScratch);
  RemoveFile(list_file);
  std::string text, version;
  *refused = UpdateOutcome::kNoList;
  if (!DownloadSigned(SignedKind::kUpdateList, kUpdateListPath, kMaxUpdateListBytes, list_file,
                      &text, signature, &version))
    return false;
  if (!IsNewerVersion(version, setup_.own_version)) {
    // The update is in place (or this is an old list): nothing to remember any more.
    RemoveFile(AttemptPath());
    *refused = UpdateOutcome::kNotNewer;
    return false;
  }
  return ParseUpdateList(text, entries) && !entries->empty();
}

// Whether this list was handed over before: as its files are still not in place, the updater
// could not replace them. The user hears of it once.
bool OnlineUpdate::FailedBefore(const std::string& signature) {
  std::string record;
  if (!ReadSmallFile(AttemptPath(), kMaxSignatureFileBytes + 16, &record)) return false;
  const bool told = record.compare(0, std::strlen(kToldLine), kToldLine) == 0;
  const size_t line_end = record.find('\n');
  if (line_end == std::string::npos || record.substr(line_end + 1) != signature) return false;
  if (!told) {
    Remember(signature, true);
    Tell(kUpdateFailedMessage);
  }
  return true;
}

void OnlineUpdate::Remember(const std::string& signature, bool told) {
  WriteSmallFile(AttemptPath(), (told ? kToldLine : kOpenLine) + signature);
}

// The updater is missing or would not start: nothing is left for it, and the user hears of it.
UpdateOutcome OnlineUpdate::GiveUp(const std::string& signature) {
  DeleteFolderTree(staging_);
  RemoveFile(setup_.program_folder + "\\" + kRegistrationName);
  Remember(signature, true);
  Tell(kUpdateFailedMessage);
  return UpdateOutcome::kNoUpdater;
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
    downloaded = DownloadUrlToFile(entry.url, paths.staged, Limits(kMaxUpdateFileBytes));
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
  std::string signature;
  UpdateOutcome refused;
  if (!ReadList(&entries, &signature, &refused)) return refused;
  DeleteFolderTree(staging_);
  std::vector<UpdateEntry> changed;
  std::vector<TargetPaths> paths;
  bool ok = SelectChanged(entries, &changed, &paths);
  if (ok && changed.empty()) {
    RemoveFile(AttemptPath());  // whatever was handed over took effect
    return UpdateOutcome::kNothingToDo;
  }
  // Files still differ from a list handed over before: the updater could not replace them.
  if (ok && FailedBefore(signature)) return UpdateOutcome::kFailedBefore;
  for (size_t i = 0; ok && i < changed.size(); ++i) ok = StageFile(changed[i], paths[i]);
  if (!ok) {
    DeleteFolderTree(staging_);
    return UpdateOutcome::kAbandoned;
  }
  InstallNewUpdater();
  if (!PathExists(setup_.program_folder + "\\" + kUpdaterName)) return GiveUp(signature);
  WriteRegistration(changed, paths);
  // Remembered before the hand-over: if the updater cannot put the files in place, the next
  // start sees the same list again and does not stage it once more.
  Remember(signature, false);
  if (!HandOver()) return GiveUp(signature);
  return UpdateOutcome::kHandedOver;
}

bool OnlineUpdate::HandOver() {
  HWND window = MainWindow();
  // Quoted: an unquoted path with a blank would start "C:\\Program.exe" if one existed.
  const std::string updater = "\"" + setup_.program_folder + "\\" + kUpdaterName + "\"";
  ShowMessageInFront(window, kUpdateMessage, kUpdateCaption, MB_ICONQUESTION);
  if (window != nullptr) SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  // WinExec answers 32 or more once the program runs.
  if (WinExec(updater.c_str(), SW_HIDE) <= 31) {
    if (window != nullptr) ShowWindow(window, SW_RESTORE);
    return false;
  }
  if (window == nullptr) ExitProcess(0);
  PostMessageA(window, WM_COMMAND, kExitCommand, 0);
  // The online step ends here: the exit command ends the process shortly.
  for (;;) Sleep(INFINITE);
}

void OnlineUpdate::Tell(const char* text) {
  ShowMessageInFront(MainWindow(), text, kUpdateCaption, MB_ICONINFORMATION);
}

namespace {

// What the step's thread needs; the thread owns it.
struct OnlineStepJob {
  UpdateSetup setup;
  OnlineStepHooks hooks;
};

DWORD WINAPI OnlineStepThread(void* argument) {
  std::unique_ptr<OnlineStepJob> job(static_cast<OnlineStepJob*>(argument));
  OnlineUpdate update(job->setup, std::move(job->hooks));
  update.DownloadNotices();
  update.CheckForUpdate();
  return 0;
}

}  // namespace

bool RunOnlineStepWithin(const UpdateSetup& setup, OnlineStepHooks hooks, uint32_t wait_ms) {
  auto* job = new OnlineStepJob{setup, std::move(hooks)};
  HANDLE thread = CreateThread(nullptr, 0, &OnlineStepThread, job, 0, nullptr);
  if (thread == nullptr) {
    delete job;
    return false;
  }
  const bool ended = WaitForSingleObject(thread, wait_ms) == WAIT_OBJECT_0;
  CloseHandle(thread);
  return ended;
}

void RunOnlineStep(OnlineStepHooks hooks) {
  // A slow or silent server holds up the index work by kOnlineStepWaitMs at most; the step then
  // finishes beside it, bounded by its downloads' deadlines.
  RunOnlineStepWithin(SystemUpdateSetup(), std::move(hooks), kOnlineStepWaitMs);
}

}  // namespace sorvik
