#include "platform/charset.h"

#include <errno.h>
#include <iconv.h>

namespace sorvik {
namespace {

bool IsAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// Length of the UTF-8 sequence that starts with `lead`, at least 1.
size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// One converter per thread and direction: opening a converter costs more than converting a name.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  // Converts `in`; an input sequence that cannot be converted becomes "?" and is skipped by
  // `skip_bad` bytes (a whole UTF-8 character, or one GBK byte).
  std::string Run(const std::string& in, bool utf8_input) {
    std::string out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return in;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[512];
    while (src_left > 0) {
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, dst - buffer);
      if (rc != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace the offending character.
      size_t skip = utf8_input ? Utf8Length(static_cast<unsigned char>(*src)) : 1;
      if (skip > src_left) skip = src_left;
      src += skip;
      src_left -= skip;
      // One "?" per UTF-16 unit, as the Windows ANSI conversion does.
      out.append(utf8_input && skip == 4 ? "??" : "?");
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string GbkToUtf8(const std::string& gbk) {
  if (IsAscii(gbk)) return gbk;
  thread_local Converter converter("UTF-8", "GBK");
  return converter.Run(gbk, false);
}

std::string Utf8ToGbk(const std::string& utf8) {
  if (IsAscii(utf8)) return utf8;
  thread_local Converter converter("GBK", "UTF-8");
  return converter.Run(utf8, true);
}

}  // namespace sorvik
