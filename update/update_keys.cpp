#include "update/update_keys.h"

#include <cctype>
#include <cstdlib>

#include "crypto/ed25519_signature.h"

#ifndef SORVIK_UPDATE_PUBLIC_KEY
#define SORVIK_UPDATE_PUBLIC_KEY ""
#endif

namespace sorvik {
namespace {

constexpr char kKeyVariable[] = "SORVIK_UPDATE_PUBLIC_KEY";

// The key in `text` when it is a well-formed public key, otherwise empty.
std::string WellFormedKey(const std::string& text) {
  return IsHexOfLength(text, kEd25519PublicKeyBytes) ? text : std::string();
}

}  // namespace

std::string BuiltInPublicKey() { return WellFormedKey(SORVIK_UPDATE_PUBLIC_KEY); }

bool IsLoopbackServer(const std::string& server) {
  // The whole authority must be the address, with at most a port: "127.0.0.1.example.net",
  // "127.0.0.1@example.net" or a path are something else.
  const char* const kSchemes[] = {"http://127.0.0.1", "https://127.0.0.1"};
  for (const char* scheme : kSchemes) {
    const std::string prefix(scheme);
    if (server.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string rest = server.substr(prefix.size());
    if (rest.empty()) return true;
    if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) return false;
    for (size_t i = 1; i < rest.size(); ++i) {
      if (std::isdigit(static_cast<unsigned char>(rest[i])) == 0) return false;
    }
    return true;
  }
  return false;
}

std::string TrustedPublicKey(const std::string& server) {
  const char* override_key = std::getenv(kKeyVariable);
  if (override_key != nullptr && *override_key != '\0' && IsLoopbackServer(server))
    return WellFormedKey(override_key);
  return BuiltInPublicKey();
}

}  // namespace sorvik
