// The update list as a hostile server could make it: entries hold no line ends in their URL and
// no "," in their first three fields, and every target the reader accepts lands strictly inside
// the program folder or the system folder (never beside or above them), its staging copy inside
// the staging folder, with no "." or ".." component and within the path limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/update_formats.h"

namespace {

const std::string kProgram = "C:\\Program Files\\Sorvik";
const std::string kSystem = "C:\\Windows\\system32";
const std::string kStaging = kProgram + "\\update_Quillet";

void Fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "disagreement: %s: %s\n", what, text.c_str());
  std::abort();
}

bool Inside(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() + 1 && path.compare(0, folder.size() + 1, folder + "\\") == 0;
}

bool HasDotComponent(const std::string& path) {
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string name = path.substr(start, end == std::string::npos ? end : end - start);
    if (name == "." || name == "..") return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

void CheckTarget(const sorvik::UpdateEntry& entry) {
  sorvik::TargetPaths paths;
  if (!sorvik::ExpandTarget(entry.target, kProgram, kSystem, kStaging, &paths)) return;
  if (!Inside(paths.local, kProgram) && !Inside(paths.local, kSystem))
    Fail("outside the folders", paths.local);
  if (!Inside(paths.staged, kStaging)) Fail("staged outside staging", paths.staged);
  if (HasDotComponent(paths.local) || paths.local.find(':', 2) != std::string::npos)
    Fail("climbing path", paths.local);
  if (paths.local.size() > sorvik::kMaxLocalPath) Fail("too long", paths.local);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<sorvik::UpdateEntry> entries;
  if (!sorvik::ParseUpdateList(text, &entries)) {
    if (!entries.empty()) Fail("refused list with entries", "");
    return 0;
  }
  if (entries.size() > sorvik::kMaxUpdateEntries) Fail("too many entries", "");
  for (const sorvik::UpdateEntry& entry : entries) {
    if (entry.url.find_first_of("\r\n") != std::string::npos) Fail("line end in URL", entry.url);
    for (const std::string* field : {&entry.target, &entry.register_flag, &entry.signature}) {
      if (field->find(',') != std::string::npos) Fail("comma in a field", *field);
    }
    CheckTarget(entry);
  }
  return 0;
}
