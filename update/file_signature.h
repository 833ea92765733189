// The signature of a local file as the update list gives it: the MD5 digest of the file,
// encrypted with the update pass phrase, as 48 upper-case hex digits.
#pragma once

#include <string>

namespace sorvik {

constexpr size_t kSignatureLength = 48;  // hex digits: 16 digest bytes padded to 24

// The signature of the file at `path`; false when the file cannot be read.
bool FileSignature(const std::string& path, std::string* signature);

}  // namespace sorvik
