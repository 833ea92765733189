#include "platform/charset.h"

#include <windows.h>

namespace sorvik {
namespace {

std::string Convert(const std::string& in, UINT from, UINT to) {
  if (in.empty()) return in;
  int wide_len = MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  if (wide_len <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(wide_len), L'\0');
  MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), &wide[0], wide_len);
  int out_len = WideCharToMultiByte(to, 0, wide.data(), wide_len, nullptr, 0, nullptr, nullptr);
  if (out_len <= 0) return std::string();
  std::string out(static_cast<size_t>(out_len), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wide_len, &out[0], out_len, nullptr, nullptr);
  return out;
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) { return Convert(gbk, 936, CP_UTF8); }

std::string Utf8ToGbk(const std::string& utf8) { return Convert(utf8, CP_UTF8, 936); }

}  // namespace sorvik
