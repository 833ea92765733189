#include "index/initials_long_list.h"

#include <memory>

#include "index/initials_format.h"
#include "index/initials_keys.h"
#include "index/name_index_io.h"
#include "platform/file.h"

namespace sorvik {

void InitialsLongList::Add(uint32_t id, const char* name, size_t length) {
  if (id == 0 || PlaceOfInitials(name, length) != InitialsPlace::kLongList) return;
  InitialsOf(name, length, &scratch_);
  names_.push_back(LongName{id, InitialsLetters(scratch_)});
}

bool InitialsLongList::Write(const std::string& path, uint32_t names) const {
  using namespace initials;
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  if (!file || !file->SetSize(0)) return false;
  BlockWriter out(file.get(), 0, 1 << 16);
  uint32_t count = 0;
  for (const LongName& name : names_) count += name.id <= names;
  out.PutU32(kFormatVersion);
  out.PutU32(names);
  out.PutU32(count);
  out.PutU32(0);
  for (const LongName& name : names_) {
    if (name.id > names) continue;
    out.PutU32(name.id);
    out.PutU32(name.letters);
  }
  return out.Flush();
}

void InitialsLongList::Clear() { std::vector<LongName>().swap(names_); }

}  // namespace sorvik
