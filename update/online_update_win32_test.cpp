// The online step against a loopback server: notices, the version answer and staged updates,
// with every failure path checked for what it leaves behind.
// clang-format off
#include <winsock2.h>  // the loopback server's sockets: before anything includes windows.h
// clang-format on
#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>
#include <string>
#include <vector>

#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/fs.h"
#include "settings/object_directory.h"
#include "testing/test_util.h"
#include "update/file_signature.h"
#include "update/loopback_http_test_support.h"
#include "update/online_update.h"
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

// Records the hand-over instead of ending the process.
class TestUpdate : public OnlineUpdate {
 public:
  using OnlineUpdate::OnlineUpdate;
  int hand_overs = 0;

 protected:
  void HandOver() override { ++hand_overs; }
};

class OnlineUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ObjectDirectory::Set(kNoticesKey, nullptr);
    setup_.server = server_.Address();
    setup_.program_folder = program_.Path();
    setup_.system_folder = system_.Path();
    setup_.program_path = program_.Join("Sorvik.exe");
    update_ = std::make_unique<TestUpdate>(setup_, nullptr);
  }
  void TearDown() override { CoUninitialize(); }

  NoticeLines* Notices() { return static_cast<NoticeLines*>(ObjectDirectory::Find(kNoticesKey)); }
  // No scratch file, no staging folder, no registration file.
  void ExpectNoTrace() {
    for (const char* name :
         {kVersionScratch, kNoticeScratch, kPlainScratch, kStagingFolder, kRegistrationName})
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
  void ServeList(const std::string& list) { server_.Put("/update/Tarnel/update.txt", list); }

  LoopbackHttpServer server_;
  TempFolder program_, system_;
  UpdateSetup setup_;
  std::unique_ptr<TestUpdate> update_;
};

TEST_F(OnlineUpdateTest, NoticesPublishedOnlyFromAnIntactFile) {
  const std::string notices = "第一条\thttp://127.0.0.1/a\t提示\r\nabc\nabcd\n";
  {  // An intact file: the lines of more than 3 bytes, "\r" kept.
    server_.Put("/ads/Tarnel/advertising.txt", NoticeFile(notices));
    ASSERT_TRUE(update_->DownloadNotices());
    ASSERT_NE(Notices(), nullptr);
    EXPECT_EQ(*Notices(), (NoticeLines{"第一条\thttp://127.0.0.1/a\t提示\r", "abcd"}));
    ExpectNoTrace();
  }
  ObjectDirectory::Set(kNoticesKey, nullptr);
  {  // An empty body still publishes an empty list.
    server_.Put("/ads/Tarnel/advertising.txt", NoticeFile(""));
    ASSERT_TRUE(update_->DownloadNotices());
    ASSERT_NE(Notices(), nullptr);
    EXPECT_TRUE(Notices()->empty());
  }
  ObjectDirectory::Set(kNoticesKey, nullptr);
  std::string tampered = NoticeFile(notices);
  tampered[3] ^= 0x40;
  std::string wrong_digest = NoticeFile(notices);
  wrong_digest.back() ^= 1;
  const std::string huge(kMaxNoticeFileBytes + 1, 'x');
  for (const std::string& bad :
       {tampered, wrong_digest, std::string(19, 'x'), std::string(20, 'x'), huge}) {
    server_.Put("/ads/Tarnel/advertising.txt", bad);
    EXPECT_FALSE(update_->DownloadNotices()) << bad.size();
    EXPECT_EQ(Notices(), nullptr);
    ExpectNoTrace();
  }
  {  // No file on the server.
    LoopbackHttpServer empty;
    setup_.server = empty.Address();
    EXPECT_FALSE(TestUpdate(setup_, nullptr).DownloadNotices());
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
  EXPECT_FALSE(TestUpdate(setup_, nullptr).CheckForUpdate());
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
    EXPECT_EQ(TestUpdate(setup_, nullptr).RunUpdate(), UpdateOutcome::kNoList);
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

}  // namespace
}  // namespace sorvik
