#include "cli/publish_commands.h"

#include "cli/cli_commands.h"
#include "cli/console.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "update/file_signature.h"
#include "update/update_formats.h"
#include "update/update_keys.h"

namespace sorvik {
namespace {

constexpr int kExitFailed = 1;
constexpr uint32_t kNoticeOverhead = 8 + kMd5Size;  // the most padding, then the digest
constexpr char kPublishUsage[] =
    "usage: sorvik-cli publish notices TEXT_FILE OUT_FILE\n"
    "       sorvik-cli publish sign FILE...\n";

bool ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) {
  uint64_t size = 0;
  if (!FileSizeOf(path, &size) || size > max_bytes) return false;
  bytes->clear();
  if (size == 0) return true;
  MappedFile file;
  if (!file.Map(path, kFlagSequentialScan) || file.Size() != size) return false;
  bytes->assign(reinterpret_cast<const char*>(file.Data()), file.Size());
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  return file && file->SetSize(0) &&
         file->Write(bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size();
}

// The notice file for `body`: the encrypted body followed by the body's MD5 digest.
bool NoticeFileOf(const std::string& body, std::string* file) {
  std::vector<uint8_t> data(body.begin(), body.end());
  Md5Digest digest;
  uint32_t length = kMd5Size;
  EnsureUserKeys();
  if (!Md5OfBuffer(body.data(), body.size(), digest.data(), &length) ||
      !EncryptWithPassphrase(&data, kNoticePassphrase))
    return false;
  file->assign(data.begin(), data.end());
  file->append(digest.begin(), digest.end());
  return true;
}

int PublishNotices(const std::string& text_file, const std::string& out_file, FILE* err) {
  std::string body, notice_file;
  if (!ReadWholeFile(FromConsole(text_file), kMaxNoticeFileBytes - kNoticeOverhead, &body)) {
    std::fprintf(err, "sorvik-cli: cannot read %s (missing, or over %u bytes)\n", text_file.c_str(),
                 static_cast<unsigned>(kMaxNoticeFileBytes - kNoticeOverhead));
    return kExitFailed;
  }
  if (!NoticeFileOf(body, &notice_file)) {
    std::fprintf(err, "sorvik-cli: cannot encrypt %s\n", text_file.c_str());
    return kExitFailed;
  }
  if (!WriteWholeFile(FromConsole(out_file), notice_file)) {
    std::fprintf(err, "sorvik-cli: cannot write %s\n", out_file.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int PublishSignatures(const std::vector<std::string>& files, FILE* out, FILE* err) {
  int status = kExitOk;
  for (const std::string& file : files) {
    std::string signature;
    if (FileSignature(FromConsole(file), &signature)) {
      std::fprintf(out, "%s\t%s\n", signature.c_str(), file.c_str());
    } else {
      std::fprintf(err, "sorvik-cli: cannot read %s\n", file.c_str());
      status = kExitFailed;
    }
  }
  return status;
}

// Whether `args` ask for help: -h or --help anywhere before a "--".
bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

int RunPublish(const std::vector<std::string>& args, FILE* out, FILE* err) {
  if (WantsHelp(args)) {
    std::fputs(kPublishUsage, out);
    return kExitOk;
  }
  if (args.size() == 4 && args[1] == "notices") return PublishNotices(args[2], args[3], err);
  if (args.size() >= 3 && args[1] == "sign")
    return PublishSignatures(std::vector<std::string>(args.begin() + 2, args.end()), out, err);
  std::fputs(kPublishUsage, err);
  return kExitUsage;
}

}  // namespace sorvik
