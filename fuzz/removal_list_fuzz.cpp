// The removal list over arbitrary remove.dat bytes: applied to a set of N entries it may only
// clear entries of that set, never set one and never touch a bit beyond N; however long the file
// or its folder counts.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "query/entry_set.h"
#include "query/removal_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 2);
  fuzz::FieldReader fields(parts[0]);
  const uint32_t entries = fields.U16();
  const uint8_t fill = fields.U8();
  std::unique_ptr<EntrySet> set = EntrySet::Create(entries, 0xFF);
  if (!set) return 0;
  for (uint32_t id = 1; id <= entries; ++id) {
    if (((fill >> (id % 8)) & 1) == 0) set->ClearId(id);
  }
  std::vector<uint8_t> before(set->bytes(), set->bytes() + set->byteCount());

  const std::string path = fuzz::ScratchFolder::Get().Fresh() + "\\remove.dat";
  fuzz::WriteFileBytes(path, parts[1]);
  ApplyRemovals(path, set.get());
  for (uint32_t i = 0; i < set->byteCount(); ++i) {
    if ((set->bytes()[i] & ~before[i]) != 0) std::abort();  // a removal set an entry
  }
  const uint32_t count = set->Count();
  set->ClearPastEnd();
  if (set->Count() != count || count > entries) std::abort();  // a bit beyond N
  // Appending keeps every earlier value: the file only grows by four bytes.
  if (!AppendRemoval(path, fields.U32()) ||
      fuzz::ReadFileBytes(path).size() != parts[1].size() + 4) {
    std::abort();
  }
  return 0;
}
