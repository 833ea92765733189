// The secrets shared with whoever publishes the notice file and the update list, and the key
// that decides whom the program trusts, kept in this one place.
//
// The two pass phrases ship inside the program: anyone who has the program can read them, so
// they hide the notice text from casual eyes and catch damaged files, nothing more. What makes a
// list or a notice file trustworthy is the publisher's Ed25519 signature beside it, checked with
// the public key below; the private key never ships.
#pragma once

#include <string>

namespace sorvik {

constexpr char kNoticePassphrase[] = "moorlark";  // encrypts the notice file
constexpr char kUpdatePassphrase[] = "tarsel";    // keys the file signatures of the update list

// The publisher's public key built into the program (the build setting
// SORVIK_UPDATE_PUBLIC_KEY, 64 hex digits); empty when the build has none, and then no list and
// no notice file from the built-in server is ever accepted.
std::string BuiltInPublicKey();

// Whether `server` ("http://host[:port]", no trailing "/") names 127.0.0.1 exactly.
bool IsLoopbackServer(const std::string& server);

// The key the files from `server` are checked with: the built-in key, except that a server on
// 127.0.0.1 (a test or a private mirror on the same machine) may bring its own key through the
// environment variable SORVIK_UPDATE_PUBLIC_KEY. No answer from the network can reach the
// loopback address, so a hostile network never gets its key trusted. Empty when there is none.
std::string TrustedPublicKey(const std::string& server);

}  // namespace sorvik
