// The online step against a loopback server: notices, the version answer and staged updates,
// with every failure path checked for what it leaves behind.
// clang-format off
#include <winsock2.h>  // the loopback server's sockets: before anything includes windows.h
// clang-format on
#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "crypto/ed25519_signature.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/fs.h"
#include "testing/test_util.h"
#include "update/file_signature.h"
#include "update/loopback_http_test_support.h"
#include "update/online_update.h"
#include "update/signed_file.h"
#include "update/update_keys.h"

namespace sorvik {
namespace {

using testing::LoopbackHttpServer;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

const std::string kVersionTarget = "/update/Tarnel/checkVersion.asp?version=10008";

// The notice file a publisher makes: the encrypted body, then the body's MD5 digest.
std::string NoticeFile(const std::string& body) {
  std::vector<uint8_t> data(body.begin(), body.end());
  EXPECT_TRUE(EncryptWithPassphrase(&data, kNoticePassphrase));
  Md5Digest digest;
  uint32_t length = kMd5Size;
  EXPECT_TRUE(Md5OfBuffer(body.data(), body.size(), digest.data(), &length));
  return std::string(data.begin(), data.end()) + std::string(digest.begin(), digest.end());
}

// Records the hand-over and the messages instead of ending the process and asking the user.
class TestUpdate : public OnlineUpdate {
 public:
  using OnlineUpdate::OnlineUpdate;
  int hand_overs = 0;
  bool updater_starts = true;  // what the hand-over answers
  std::vector<std::string> told;

 protected:
  bool HandOver() override {
    ++hand_overs;
    return updater_starts;
  }
  void Tell(const char* text) override { told.push_back(text); }
};

class OnlineUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    published_.reset();
    ASSERT_TRUE(MakeSigningKeys(&keys_));
    setup_.public_key = keys_.public_hex;
    setup_.own_version = "1.3.4";
    setup_.server = server_.Address();
    setup_.program_folder = program_.Path();
    setup_.system_folder = system_.Path();
    setup_.program_path = program_.Join("Sorvik.exe");
    update_ = std::make_unique<TestUpdate>(setup_, Hooks());
  }

  // No search window; the notice lists go to published_.
  OnlineStepHooks Hooks() {
    OnlineStepHooks hooks;
    hooks.publish_notices = [this](SharedNotices notices) { published_ = std::move(notices); };
    return hooks;
  }
  const NoticeLines* Notices() { return published_.get(); }
  // No scratch file, no staging folder, no registration file.
  void ExpectNoTrace() {
    for (const char* name : {kVersionScratch, kNoticeScratch, kPlainScratch, kStagingFolder,
                             kRegistrationName, kAttemptName})
      EXPECT_FALSE(PathExists(program_.Join(name))) << name;
  }
  std::string SignatureOf(const std::string& content) {
    TempFolder scratch;
    WriteText(scratch.Join("f"), content);
    std::string signature;
    EXPECT_TRUE(FileSignature(scratch.Join("f"), &signature));
    return signature;
  }
  // One update list line for `target` with the signature of `content` served at `name`.
  std::string Entry(const std::string& target, const std::string& flag, const std::string& name,
                    const std::string& content) {
    server_.Put("/files/" + name, content);
    return target + "," + flag + "," + SignatureOf(content) + "," + server_.Address() + "/files/" +
           name + "\r\n";
  }
  // Serves `content` at `path` with its signature file made by `keys` (`version` for a list).
  void ServeSigned(SignedKind kind, const std::string& path, const std::string& content,
                   const std::string& version, const SigningKeys& keys) {
    std::string signature;
    ASSERT_TRUE(MakeSignatureFile(kind, version, content, keys.secret_hex, &signature));
    server_.Put(path, content);
    server_.Put(path + ".sig", signature);
  }
  void ServeList(const std::string& list, const std::string& version = "1.3.5") {
    ServeSigned(SignedKind::kUpdateList, "/update/Tarnel/update.txt", list, version, keys_);
  }
  void ServeNotices(const std::string& file) {
    ServeSigned(SignedKind::kNotices, "/ads/Tarnel/advertising.txt", file, "", keys_);
  }

  LoopbackHttpServer server_;
  SigningKeys keys_;  // the publisher's
  TempFolder program_, system_;
  UpdateSetup setup_;
  std::unique_ptr<TestUpdate> update_;
  SharedNotices published_;  // the last notice list published
};

TEST_F(OnlineUpdateTest, NoticesPublishedOnlyFromAnIntactFile) {
  const std::string notices = "第一条\thttp://127.0.0.1/a\t提示\r\nabc\nabcd\n";
  {  // An intact file: the lines of more than 3 bytes, "\r" kept.
    ServeNotices(NoticeFile(notices));
    ASSERT_TRUE(update_->DownloadNotices());
    ASSERT_NE(Notices(), nullptr);
    EXPECT_EQ(*Notices(), (NoticeLines{"第一条\thttp://127.0.0.1/a\t提示\r", "abcd"}));
    ExpectNoTrace();
  }
  published_.reset();
  {  // An empty body still publishes an empty list.
    ServeNotices(NoticeFile(""));
    ASSERT_TRUE(update_->DownloadNotices());
    ASSERT_NE(Notices(), nullptr);
    EXPECT_TRUE(Notices()->empty());
  }
  published_.reset();
  std::string tampered = NoticeFile(notices);
  tampered[3] ^= 0x40;
  std::string wrong_digest = NoticeFile(notices);
  wrong_digest.back() ^= 1;
  const std::string huge(kMaxNoticeFileBytes + 1, 'x');
  for (const std::string& bad :
       {tampered, wrong_digest, std::string(19, 'x'), std::string(20, 'x'), huge}) {
    ServeNotices(bad);
    EXPECT_FALSE(update_->DownloadNotices()) << bad.size();
    EXPECT_EQ(Notices(), nullptr);
    ExpectNoTrace();
  }
  {  // No file on the server.
    LoopbackHttpServer empty;
    setup_.server = empty.Address();
    EXPECT_FALSE(TestUpdate(setup_, Hooks()).DownloadNotices());
    ExpectNoTrace();
  }
}

TEST_F(OnlineUpdateTest, VersionAnswerFirstWord) {
  ServeList("");  // an empty list: RunUpdate ends quietly, but the request shows it ran
  const struct {
    const char* answer;
    bool runs_update;
  } cases[] = {
      {"ok", true},  {"ok 10009 is out", true}, {"\r\n\r\n  ok\r\n", true}, {"okay", false},
      {"OK", false}, {"no ok", false}};
  int runs = 0;
  for (const auto& c : cases) {
    server_.Put(kVersionTarget, c.answer);
    EXPECT_TRUE(update_->CheckForUpdate()) << c.answer;
    const int now = server_.Requests("/update/Tarnel/update.txt");
    EXPECT_EQ(now > runs, c.runs_update) << c.answer;
    runs = now;
    ExpectNoTrace();
  }
  EXPECT_EQ(runs, 3);
  LoopbackHttpServer empty;
  setup_.server = empty.Address();
  EXPECT_FALSE(TestUpdate(setup_, Hooks()).CheckForUpdate());
  ExpectNoTrace();
}

TEST_F(OnlineUpdateTest, CurrentFilesStageNothing) {
  WriteText(program_.Join("a.dll"), "version 2 of a");
  WriteText(system_.Join("b.ocx"), "version 2 of b");
  ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "version 2 of a") +
            Entry("%SystemRoot%\\b.ocx", "0", "b.ocx", "version 2 of b"));
  EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNothingToDo);
  EXPECT_EQ(server_.Requests("/files/a.dll") + server_.Requests("/files/b.ocx"), 0);
  EXPECT_EQ(update_->hand_overs, 0);
  ExpectNoTrace();
}

TEST_F(OnlineUpdateTest, BadTargetStopsBeforeAnyDownload) {
  for (const char* target : {"C:\\a.dll", "%AppPath%\\..\\a.dll", "%SystemRoot%\\x\\..\\..\\b"}) {
    ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "new a") +
              Entry(target, "0", "b.dll", "new b"));
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kAbandoned) << target;
    EXPECT_EQ(server_.Requests("/files/a.dll") + server_.Requests("/files/b.dll"), 0);
    ExpectNoTrace();
  }
  EXPECT_FALSE(PathExists(program_.Join("a.dll")));
}

TEST_F(OnlineUpdateTest, DamagedDownloadsAbandonTheUpdate) {
  WriteText(program_.Join("a.dll"), "old a");
  {  // A file whose bytes do not match its signature.
    std::string list = Entry("%AppPath%\\a.dll", "1", "a.dll", "new a");
    server_.Put("/files/a.dll", "new A");
    ServeList(list);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kAbandoned);
    EXPECT_EQ(server_.Requests("/files/a.dll"), 1);
    ExpectNoTrace();
  }
  {  // The server goes away in the middle of the second file, twice.
    const std::string big(200000, 'b');
    std::string list = Entry("%AppPath%\\a.dll", "1", "a.dll", "new a") +
                       Entry("%AppPath%\\sub\\big.dat", "0", "big.dat", big);
    server_.Put("/files/big.dat", big, 5000);
    ServeList(list);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kAbandoned);
    EXPECT_EQ(server_.Requests("/files/big.dat"), 2);  // tried a second time
    ExpectNoTrace();
  }
  {  // A missing file, and no list at all.
    ServeList("%AppPath%\\a.dll,1,00," + server_.Address() + "/files/none\n");
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kAbandoned);
    ExpectNoTrace();
    LoopbackHttpServer empty;
    setup_.server = empty.Address();
    EXPECT_EQ(TestUpdate(setup_, Hooks()).RunUpdate(), UpdateOutcome::kNoList);
    ExpectNoTrace();
  }
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  EXPECT_EQ(update_->hand_overs, 0);
}

TEST_F(OnlineUpdateTest, ChangedFilesStagedRegisteredAndHandedOver) {
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(program_.Join("same.txt"), "same");
  WriteText(program_.Join(kUpdaterName), "old updater");
  ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "new a") +
            Entry("%AppPath%\\same.txt", "1", "same.txt", "same") +
            Entry("%AppPath%\\data\\deep\\c.bin", "0", "c.bin", "new c") +
            Entry("%SystemRoot%\\b.ocx", "1", "b.ocx", "new b") +
            Entry("%AppPath%\\LiveUpdate.exe", "0", "LiveUpdate.exe", "new updater"));
  EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kHandedOver);
  EXPECT_EQ(update_->hand_overs, 1);
  const std::string staging = program_.Join(kStagingFolder);
  EXPECT_EQ(ReadText(staging + "\\app\\a.dll"), "new a");
  EXPECT_EQ(ReadText(staging + "\\app\\data\\deep\\c.bin"), "new c");
  EXPECT_EQ(ReadText(staging + "\\sys\\b.ocx"), "new b");
  EXPECT_FALSE(PathExists(staging + "\\app\\same.txt"));
  EXPECT_EQ(server_.Requests("/files/same.txt"), 0);
  // The new updater replaced the old one at once; the program's files wait for it.
  EXPECT_FALSE(PathExists(staging + "\\app\\LiveUpdate.exe"));
  EXPECT_EQ(ReadText(program_.Join(kUpdaterName)), "new updater");
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  EXPECT_EQ(
      ReadText(program_.Join(kRegistrationName)),
      setup_.program_path + "\n" + program_.Join("a.dll") + "\n" + system_.Join("b.ocx") + "\n");
  for (const char* name : {kVersionScratch, kNoticeScratch, kPlainScratch})
    EXPECT_FALSE(PathExists(program_.Join(name)));
}

TEST_F(OnlineUpdateTest, NoticesNeedThePublishersSignature) {
  const std::string file = NoticeFile("第一条\thttp://127.0.0.1/a\t提示\n");
  SigningKeys forger;
  ASSERT_TRUE(MakeSigningKeys(&forger));
  {  // No signature file at all.
    server_.Put("/ads/Tarnel/advertising.txt", file);
    EXPECT_FALSE(update_->DownloadNotices());
  }
  {  // Signed by someone else, or signed as an update list.
    ServeSigned(SignedKind::kNotices, "/ads/Tarnel/advertising.txt", file, "", forger);
    EXPECT_FALSE(update_->DownloadNotices());
    ServeSigned(SignedKind::kUpdateList, "/ads/Tarnel/advertising.txt", file, "1.3.5", keys_);
    EXPECT_FALSE(update_->DownloadNotices());
  }
  {  // A build without a key trusts no file, however signed.
    ServeNotices(file);
    setup_.public_key.clear();
    EXPECT_FALSE(TestUpdate(setup_, Hooks()).DownloadNotices());
  }
  EXPECT_EQ(Notices(), nullptr);
  ExpectNoTrace();
}

TEST_F(OnlineUpdateTest, ForgedUnsignedAndOlderListsInstallNothing) {
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(program_.Join(kUpdaterName), "updater");
  const std::string list = Entry("%AppPath%\\a.dll", "1", "a.dll", "new a");
  SigningKeys forger;
  ASSERT_TRUE(MakeSigningKeys(&forger));
  {  // The list without its signature file.
    server_.Put("/update/Tarnel/update.txt", list);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNoList);
  }
  {  // Signed by a key the program does not trust (one that signs as well as the publisher's).
    ServeSigned(SignedKind::kUpdateList, "/update/Tarnel/update.txt", list, "1.3.5", forger);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNoList);
  }
  {  // The publisher's signature over another list.
    ServeList(list);
    server_.Put("/update/Tarnel/update.txt", list + list);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNoList);
  }
  for (const char* version : {"1.3.4", "1.3.3", "1.2.99.9"}) {  // the same or an older version
    ServeList(list, version);
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNotNewer) << version;
  }
  EXPECT_EQ(server_.Requests("/files/a.dll"), 0);
  EXPECT_EQ(update_->hand_overs, 0);
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
  ExpectNoTrace();
  {  // The publisher's newer list goes through.
    ServeList(list, "1.3.5");
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kHandedOver);
    EXPECT_EQ(update_->hand_overs, 1);
  }
}

TEST_F(OnlineUpdateTest, AnUpdateThatDidNotTakeIsNotRetried) {
  WriteText(program_.Join("a.dll"), "old a");
  WriteText(program_.Join(kUpdaterName), "updater");
  ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "new a"));
  // Plays the updater that could not replace a.dll: it rolls back and starts the program again.
  auto updater_fails = [this] {
    DeleteFolderTree(program_.Join(kStagingFolder));
    RemoveFile(program_.Join(kRegistrationName));
  };
  {  // First start: staged and handed over, nothing said besides the update message.
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kHandedOver);
    EXPECT_TRUE(update_->told.empty());
    updater_fails();
  }
  {  // The restart: the same list is not staged again, and the user hears of it once.
    TestUpdate restart(setup_, Hooks());
    EXPECT_EQ(restart.RunUpdate(), UpdateOutcome::kFailedBefore);
    EXPECT_EQ(restart.told, std::vector<std::string>{kUpdateFailedMessage});
    EXPECT_EQ(restart.hand_overs, 0);
  }
  {  // Every later start: quiet.
    TestUpdate later(setup_, Hooks());
    EXPECT_EQ(later.RunUpdate(), UpdateOutcome::kFailedBefore);
    EXPECT_TRUE(later.told.empty());
  }
  EXPECT_EQ(server_.Requests("/files/a.dll"), 1);
  EXPECT_FALSE(PathExists(program_.Join(kStagingFolder)));
  {  // Had the updater put a.dll in place, the next start would find nothing to do and forget.
    WriteText(program_.Join("a.dll"), "new a");
    EXPECT_EQ(TestUpdate(setup_, Hooks()).RunUpdate(), UpdateOutcome::kNothingToDo);
    EXPECT_FALSE(PathExists(program_.Join(kAttemptName)));
    WriteText(program_.Join("a.dll"), "old a");
  }
  {  // A newer list is tried again, once.
    ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "newer a"), "1.3.6");
    TestUpdate next(setup_, Hooks());
    EXPECT_EQ(next.RunUpdate(), UpdateOutcome::kHandedOver);
    EXPECT_EQ(server_.Requests("/files/a.dll"), 2);
  }
  {  // Once the program runs the new version the record goes.
    setup_.own_version = "1.3.6";
    EXPECT_EQ(TestUpdate(setup_, Hooks()).RunUpdate(), UpdateOutcome::kNotNewer);
    EXPECT_FALSE(PathExists(program_.Join(kAttemptName)));
  }
}

TEST_F(OnlineUpdateTest, NoHandOverToAMissingUpdater) {
  WriteText(program_.Join("a.dll"), "old a");
  ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "new a"));
  {  // No LiveUpdate.exe: the program goes on, nothing is left staged, the user hears once.
    EXPECT_EQ(update_->RunUpdate(), UpdateOutcome::kNoUpdater);
    EXPECT_EQ(update_->hand_overs, 0);
    EXPECT_EQ(update_->told, std::vector<std::string>{kUpdateFailedMessage});
    EXPECT_FALSE(PathExists(program_.Join(kStagingFolder)));
    EXPECT_FALSE(PathExists(program_.Join(kRegistrationName)));
    TestUpdate restart(setup_, Hooks());
    EXPECT_EQ(restart.RunUpdate(), UpdateOutcome::kFailedBefore);
    EXPECT_TRUE(restart.told.empty());
  }
  {  // An updater that will not start: the same.
    ServeList(Entry("%AppPath%\\a.dll", "1", "a.dll", "newer a"), "1.3.6");
    WriteText(program_.Join(kUpdaterName), "updater");
    TestUpdate refused(setup_, Hooks());
    refused.updater_starts = false;
    EXPECT_EQ(refused.RunUpdate(), UpdateOutcome::kNoUpdater);
    EXPECT_EQ(refused.hand_overs, 1);
    EXPECT_EQ(refused.told.size(), 1u);
    EXPECT_FALSE(PathExists(program_.Join(kStagingFolder)));
    EXPECT_FALSE(PathExists(program_.Join(kRegistrationName)));
  }
  EXPECT_EQ(ReadText(program_.Join("a.dll")), "old a");
}

// Runs this thread's messages for `ms` milliseconds.
void Pump(int ms) {
  for (int waited = 0; waited < ms; waited += 10) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

TEST(UpdateMessage, TopMostAndInFrontOfTheWindowItDisables) {
  // The search window's part: a window of this thread, in front, while the online step's thread
  // shows the message it owns.
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 500,
                               400, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  SetForegroundWindow(owner);
  Pump(100);
  std::thread shower([owner] { ShowMessageInFront(owner, kUpdateMessage, kUpdateCaption, 0); });
  HWND box = nullptr;
  for (int i = 0; i < 500 && box == nullptr; ++i) {
    Pump(20);
    box = FindWindowA("#32770", kUpdateCaption);
  }
  ASSERT_NE(box, nullptr);
  Pump(300);
  EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(IsWindowEnabled(owner));
  EXPECT_EQ(GetForegroundWindow(), box);
  bool above_owner = false;
  for (HWND below = GetWindow(box, GW_HWNDNEXT); below != nullptr;
       below = GetWindow(below, GW_HWNDNEXT)) {
    if (below == owner) above_owner = true;
  }
  EXPECT_TRUE(above_owner);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  while (FindWindowA("#32770", kUpdateCaption) != nullptr) Pump(20);
  shower.join();
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
}

}  // namespace
}  // namespace sorvik
