// The record store over arbitrary db.txt and db.txt.mai bytes: every read, the cursor scan and
// the details of an entry (with its parent's record) must stay inside the store's buffer and
// keep the store's promises: nothing for id 0 or ids beyond the count, at most 1099 bytes of
// text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "index/record_store.h"
#include "index/snapshot_format.h"
#include "query/entry_details.h"

namespace sorvik {
namespace {

constexpr uint32_t kMaxReads = 2048;  // ids read per run, whatever the header claims

void ReadEveryId(RecordStore* store) {
  EntryRecord record;
  const uint32_t last = std::min(store->Count(), kMaxReads);
  if (store->Read(0, &record)) std::abort();
  if (store->Count() < 0xFFFFFFFFu && store->Read(store->Count() + 1, &record)) std::abort();
  for (uint32_t id = 1; id <= last; ++id) {
    const char* text = nullptr;
    uint32_t length = 0;
    if (store->ReadText(id, &text, &length) && length > snapshot::kMaxRecordText) std::abort();
    if (store->Read(id, &record) && record.id != id) std::abort();
    EntryDetails details;
    LoadEntryDetails(store, id, &details);
  }
}

void ScanWithCursor(RecordStore* store) {
  RecordCursor* cursor = store->Begin();
  EntryRecord record;
  for (uint32_t n = 0; n < kMaxReads && cursor->Next(); ++n) cursor->Read(&record);
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 2);
  const std::string folder = fuzz::ScratchFolder::Get().Fresh();
  const std::string path = folder + "\\db.txt";
  fuzz::WriteFileBytes(path, parts[0]);
  fuzz::WriteFileBytes(path + ".mai", parts[1]);
  RecordStore store;
  if (!store.Open(path)) return 0;
  ReadEveryId(&store);
  ScanWithCursor(&store);
  store.Close();
  // Reopened after Close rewrote the header: the same count.
  const uint32_t count = store.Count();
  if (!store.Open(path) || store.Count() != count) std::abort();
  return 0;
}
