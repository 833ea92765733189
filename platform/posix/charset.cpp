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

// Length of the character that could not be converted at `at`: the whole sequence when it is
// well-formed UTF-8 (a character GBK cannot hold), else 1 (an invalid byte), so that each
// invalid byte becomes one "?" and never takes its neighbours with it.
size_t Utf8Length(const char* at, size_t left) {
  const unsigned char lead = static_cast<unsigned char>(at[0]);
  const size_t length = lead >= 0xC2 && lead < 0xE0   ? 2
                        : lead >= 0xE0 && lead < 0xF0 ? 3
                        : lead >= 0xF0 && lead < 0xF5 ? 4
                                                      : 1;
  if (length > left) return 1;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(at[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
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
      size_t skip = utf8_input ? Utf8Length(src, src_left) : 1;
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
