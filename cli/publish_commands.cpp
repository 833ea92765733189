#include "cli/publish_commands.h"

#include "cli/cli_commands.h"
#include "cli/console.h"
#include "crypto/ed25519_signature.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "update/file_signature.h"
#include "update/signed_file.h"
#include "update/update_formats.h"
#include "update/update_keys.h"

namespace sorvik {
namespace {

constexpr int kExitFailed = 1;
constexpr uint32_t kNoticeOverhead = 8 + kMd5Size;  // the most padding, then the digest
constexpr char kPublishUsage[] =
    "usage: sorvik-cli publish keygen KEY\n"
    "       sorvik-cli publish notices TEXT_FILE OUT_FILE [--key KEY]\n"
    "       sorvik-cli publish list --key KEY --version VERSION LIST_FILE\n"
    "       sorvik-cli publish sign FILE...\n";
constexpr size_t kMaxKeyFileBytes = 4096;  // a key file is one line of hex

// The arguments after the command: the options --key and --version and the rest in order.
struct PublishArgs {
  std::string key;                       // the private key file
  std::string version;                   // the version a list installs
  std::vector<std::string> positionals;  // files
};

// False when an option lacks its value or comes twice.
bool SplitArgs(const std::vector<std::string>& args, PublishArgs* parsed) {
  for (size_t i = 2; i < args.size(); ++i) {
    std::string* option = args[i] == "--key"       ? &parsed->key
                          : args[i] == "--version" ? &parsed->version
                                                   : nullptr;
    if (option == nullptr) {
      parsed->positionals.push_back(args[i]);
      continue;
    }
    if (i + 1 >= args.size() || !option->empty() || args[i + 1].empty()) return false;
    *option = args[++i];
  }
  return true;
}

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

// The key in the file `path`: its first line without the line end and blanks around it.
bool ReadKeyFile(const std::string& path, std::string* key) {
  if (!ReadWholeFile(FromConsole(path), kMaxKeyFileBytes, key)) return false;
  const size_t end = key->find_first_of("\r\n");
  if (end != std::string::npos) key->resize(end);
  while (!key->empty() && (key->back() == ' ' || key->back() == '\t')) key->pop_back();
  return true;
}

// Writes `signed_file`.sig for `body`, checked against the key's own public half so that a
// damaged key file cannot produce a signature that no program accepts.
int WriteSignature(SignedKind kind, const std::string& version, const std::string& body,
                   const std::string& key_file, const std::string& signed_file, FILE* err) {
  std::string secret, public_key, signature, checked_version;
  if (!ReadKeyFile(key_file, &secret) || !PublicKeyOf(secret, &public_key)) {
    std::fprintf(err, "sorvik-cli: %s is not a private key (publish keygen writes one)\n",
                 key_file.c_str());
    return kExitFailed;
  }
  if (!MakeSignatureFile(kind, version, body, secret, &signature) ||
      !CheckSignatureFile(kind, body, signature, public_key, &checked_version)) {
    std::fprintf(err, "sorvik-cli: cannot sign %s\n", signed_file.c_str());
    return kExitFailed;
  }
  const std::string out = signed_file + kSignatureSuffix;
  if (!WriteWholeFile(FromConsole(out), signature)) {
    std::fprintf(err, "sorvik-cli: cannot write %s\n", out.c_str());
    return kExitFailed;
  }
  return kExitOk;
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

int PublishNotices(const std::string& text_file, const std::string& out_file,
                   const std::string& key_file, FILE* err) {
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
  if (key_file.empty()) return kExitOk;
  return WriteSignature(SignedKind::kNotices, "", notice_file, key_file, out_file, err);
}

int PublishKeygen(const std::string& key_file, FILE* err) {
  const std::string public_file = key_file + ".pub";
  // An existing key is never overwritten: the programs out there trust it.
  if (PathExists(FromConsole(key_file)) || PathExists(FromConsole(public_file))) {
    std::fprintf(err, "sorvik-cli: %s or %s exists already\n", key_file.c_str(),
                 public_file.c_str());
    return kExitFailed;
  }
  SigningKeys keys;
  if (!MakeSigningKeys(&keys)) {
    std::fprintf(err, "sorvik-cli: cannot make a key pair\n");
    return kExitFailed;
  }
  if (!WriteWholeFile(FromConsole(key_file), keys.secret_hex + "\n") ||
      !WriteWholeFile(FromConsole(public_file), keys.public_hex + "\n")) {
    std::fprintf(err, "sorvik-cli: cannot write %s and %s\n", key_file.c_str(),
                 public_file.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int PublishList(const PublishArgs& args, FILE* err) {
  const std::string& list_file = args.positionals[0];
  std::vector<uint32_t> parts;
  if (!ParseVersion(args.version, &parts)) {
    std::fprintf(err, "sorvik-cli: '%s' is not a version (like 1.3.5)\n", args.version.c_str());
    return kExitUsage;
  }
  std::string list;
  std::vector<UpdateEntry> entries;
  if (!ReadWholeFile(FromConsole(list_file), kMaxUpdateListBytes, &list)) {
    std::fprintf(err, "sorvik-cli: cannot read %s (missing, or over %u bytes)\n", list_file.c_str(),
                 static_cast<unsigned>(kMaxUpdateListBytes));
    return kExitFailed;
  }
  if (!ParseUpdateList(list, &entries) || entries.empty()) {
    std::fprintf(err, "sorvik-cli: %s is not an update list the program can use\n",
                 list_file.c_str());
    return kExitFailed;
  }
  return WriteSignature(SignedKind::kUpdateList, args.version, list, args.key, list_file, err);
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
  PublishArgs parsed;
  const bool split = args.size() >= 2 && SplitArgs(args, &parsed);
  const size_t files = parsed.positionals.size();
  if (split && args[1] == "keygen" && files == 1 && parsed.key.empty() && parsed.version.empty())
    return PublishKeygen(parsed.positionals[0], err);
  if (split && args[1] == "notices" && files == 2 && parsed.version.empty())
    return PublishNotices(parsed.positionals[0], parsed.positionals[1], parsed.key, err);
  if (split && args[1] == "list" && files == 1 && !parsed.key.empty() && !parsed.version.empty())
    return PublishList(parsed, err);
  if (args.size() >= 3 && args[1] == "sign")
    return PublishSignatures(std::vector<std::string>(args.begin() + 2, args.end()), out, err);
  std::fputs(kPublishUsage, err);
  return kExitUsage;
}

}  // namespace sorvik
