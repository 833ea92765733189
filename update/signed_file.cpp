#include "update/signed_file.h"

#include "crypto/ed25519_signature.h"
#include "update/text_lines.h"

namespace sorvik {
namespace {

constexpr char kMagicLine[] = "sorvik-signature 1";
constexpr char kKindField[] = "kind ";
constexpr char kVersionField[] = "version ";
constexpr char kSignatureField[] = "ed25519 ";

const char* KindName(SignedKind kind) {
  return kind == SignedKind::kUpdateList ? "update-list" : "notices";
}

// A list needs its version; a notice file has none.
bool VersionFits(SignedKind kind, const std::string& version) {
  std::vector<uint32_t> parts;
  return kind == SignedKind::kUpdateList ? ParseVersion(version, &parts) : version.empty();
}

// The lines the signature covers before the body.
std::string Header(SignedKind kind, const std::string& version) {
  std::string header = std::string(kMagicLine) + "\n" + kKindField + KindName(kind) + "\n";
  if (kind == SignedKind::kUpdateList) header += kVersionField + version + "\n";
  return header;
}

// The value of `line` when it starts with `field`.
bool FieldValue(const std::string& line, const char* field, std::string* value) {
  const std::string prefix(field);
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  *value = line.substr(prefix.size());
  return true;
}

}  // namespace

bool ParseVersion(const std::string& text, std::vector<uint32_t>* parts) {
  parts->clear();
  size_t start = 0;
  for (;;) {
    const size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
    if (part.empty() || part.size() > 6 ||
        part.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const uint32_t value = static_cast<uint32_t>(std::stoul(part));
    if (value > kMaxVersionPart || parts->size() == kMaxVersionParts) return false;
    parts->push_back(value);
    if (dot == std::string::npos) return parts->size() >= 2;
    start = dot + 1;
  }
}

bool IsNewerVersion(const std::string& candidate, const std::string& own) {
  std::vector<uint32_t> a, b;
  if (!ParseVersion(candidate, &a) || !ParseVersion(own, &b)) return false;
  a.resize(kMaxVersionParts, 0);
  b.resize(kMaxVersionParts, 0);
  return a > b;
}

bool MakeSignatureFile(SignedKind kind, const std::string& version, const std::string& body,
                       const std::string& secret_hex, std::string* signature_file) {
  if (!VersionFits(kind, version)) return false;
  const std::string header = Header(kind, version);
  std::string signature;
  if (!SignDetached(secret_hex, header + body, &signature)) return false;
  *signature_file = header + kSignatureField + signature + "\n";
  return true;
}

bool CheckSignatureFile(SignedKind kind, const std::string& body, const std::string& signature_file,
                        const std::string& public_hex, std::string* version) {
  if (public_hex.empty() || signature_file.size() > kMaxSignatureFileBytes) return false;
  const std::vector<std::string> lines = SplitLines(signature_file);
  const size_t expected = kind == SignedKind::kUpdateList ? 4 : 3;
  if (lines.size() != expected || lines[0] != kMagicLine) return false;
  std::string kind_name, signed_version, signature;
  if (!FieldValue(lines[1], kKindField, &kind_name) || kind_name != KindName(kind)) return false;
  if (kind == SignedKind::kUpdateList && !FieldValue(lines[2], kVersionField, &signed_version))
    return false;
  if (!VersionFits(kind, signed_version) ||
      !FieldValue(lines.back(), kSignatureField, &signature) ||
      !VerifyDetached(public_hex, Header(kind, signed_version) + body, signature))
    return false;
  *version = signed_version;
  return true;
}

}  // namespace sorvik
