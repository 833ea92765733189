// The version answer: the reader says "ok" exactly when the first white-space separated word of
// the answer is "ok", checked against a second, independent reading.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "update/update_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  std::istringstream words(answer);
  std::string first;
  words >> first;
  // istream stops a word at the same white space as isspace in the "C" locale.
  const bool expected = first == "ok";
  if (sorvik::VersionAnswerSaysOk(answer) != expected) {
    std::fprintf(stderr, "disagreement: first word \"%s\"\n", first.c_str());
    std::abort();
  }
  return 0;
}
