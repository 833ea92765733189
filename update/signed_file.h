// The detached signature files that come with the update list ("update.txt.sig") and the notice
// file ("advertising.txt.sig"), made by `sorvik-cli publish` and checked by the program before it
// reads either file. A signature file is short text, lines ended by "\n":
//
//   sorvik-signature 1
//   kind update-list          ("kind notices" for the notice file)
//   version 1.3.5             (update list only: the version the list installs)
//   ed25519 <128 hex digits>  (the signature)
//
// The signature covers the lines before "ed25519", written exactly as above, followed by the
// file's bytes: the kind keeps a notice file from passing for a list, and the version cannot be
// changed without breaking the signature. The lines are rebuilt from the parsed values before
// the check, so only this one spelling is ever signed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

constexpr char kUpdateListSignaturePath[] = "/update/Tarnel/update.txt.sig";
constexpr char kNoticeSignaturePath[] = "/ads/Tarnel/advertising.txt.sig";
constexpr char kSignatureSuffix[] = ".sig";      // the signature file beside the signed file
constexpr size_t kMaxSignatureFileBytes = 1024;  // a signature file is a few lines
constexpr size_t kMaxVersionParts = 4;           // "1.3.5" or "1.3.5.2"
constexpr uint32_t kMaxVersionPart = 999999;     // one part of a version

enum class SignedKind { kUpdateList, kNotices };

// The parts of a version "N.N[.N[.N]]"; false for anything else (empty parts, signs, blanks,
// more than kMaxVersionParts parts or a part over kMaxVersionPart).
bool ParseVersion(const std::string& text, std::vector<uint32_t>* parts);

// Whether `candidate` is a later version than `own` (missing parts count as 0: "1.3" equals
// "1.3.0"). False when either is not a version.
bool IsNewerVersion(const std::string& candidate, const std::string& own);

// The signature file for `body` signed with `secret_hex`; `version` is required for an update
// list and must be empty for a notice file. False when the key or the version is not usable.
bool MakeSignatureFile(SignedKind kind, const std::string& version, const std::string& body,
                       const std::string& secret_hex, std::string* signature_file);

// Checks `signature_file` for `body` with the key `public_hex`: the file must have the form
// above for `kind` and its signature must be valid. On success `version` receives the signed
// version (empty for notices). False for everything else, an empty key included.
bool CheckSignatureFile(SignedKind kind, const std::string& body, const std::string& signature_file,
                        const std::string& public_hex, std::string* version);

}  // namespace sorvik
