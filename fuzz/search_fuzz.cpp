// A whole search over an index folder whose files are cut from the input: db.txt, db.txt.mai,
// index.rw, index.cm, index.dm, index.mtr (packed, see fuzz_support.h), index.dat and
// remove.dat, then the request. It goes through the index manager as the window does: search
// with every filter, sort the page, read details, record removals, search again, month lists,
// and the folder lookup on its own. The same request also runs straight on the loaded files,
// which the manager refuses to load when their sizes do not fit together. The matrix and the
// lists also stand for the initials index (index.pym, index.pyd), and the request runs again
// with pinyin on (initials and whole syllables). Every answer must be a well-formed page.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "lifecycle/index_environment.h"
#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "query/folder_tree.h"
#include "query/loaded_index.h"
#include "query/query_engine.h"
#include "query/removal_list.h"
#include "query/search_result.h"

namespace sorvik {
namespace {

// An environment that never builds, sleeps or waits: only the manager's reads are exercised.
class StillEnvironment : public IndexEnvironment {
 public:
  double Now() override { return 0; }
  bool LastWriteDate(const std::string&, double*) override { return false; }
  void Sleep(uint32_t) override {}
  bool Wait(ManualResetEvent*, uint32_t) override { return false; }
  int UpdateFrequency() override { return -1; }
  bool StartedAtLogon() override { return false; }
  Status Build() override { return Status::IOError("no build in the fuzz target"); }
  void FetchNoticesAndUpdates() override {}
};

// Details read straight from a loaded index, for searches that bypass the manager.
class IndexDetails : public DetailsSource {
 public:
  explicit IndexDetails(LoadedIndex* index) : index_(index) {}
  uint32_t Generation() override { return 1; }  // the one index, never swapped
  bool ReadDetails(uint32_t, uint32_t id, EntryDetails* out) override {
    LoadEntryDetails(index_->store(), id, out);
    return true;
  }
  bool RecordRemoval(uint32_t, uint32_t id, const std::string&) override {
    AppendRemoval(index_->PathOf(kRemovalFileName), id);
    return true;
  }

 private:
  LoadedIndex* index_;  // not owned
};

const char* const kFiles[] = {"db.txt",   "db.txt.mai", "index.rw",  "index.cm",
                              "index.dm", "index.mtr",  "index.dat", "remove.dat"};
constexpr size_t kFileCount = sizeof kFiles / sizeof kFiles[0];

SearchRequest RequestOf(const std::string& part, int* page, int* page_size) {
  fuzz::FieldReader fields(part);
  SearchRequest request;
  request.category = static_cast<int8_t>(fields.U8());
  request.hiddenOnly = fields.U8() & 1;
  request.monthFrom = fields.U16();
  request.monthTo = fields.U16();
  *page = fields.U8();
  *page_size = static_cast<int16_t>(fields.U16());
  const std::string text = fields.Rest();
  const size_t split = text.find('\n');
  request.keywords = text.substr(0, split);
  if (split != std::string::npos) request.location = text.substr(split + 1);
  return request;
}

// A page holds ascending ids of the index, no more than asked for, no more than the total.
void CheckPage(const SearchResult& result, uint32_t total, int page_size, uint32_t entries) {
  if (result.ids.size() > total) std::abort();
  if (page_size >= 0 && result.ids.size() > static_cast<size_t>(page_size)) std::abort();
  for (size_t i = 0; i < result.ids.size(); ++i) {
    if (result.ids[i] == 0 || result.ids[i] > entries) std::abort();
    if (i > 0 && result.ids[i] <= result.ids[i - 1]) std::abort();
  }
}

void UsePage(IndexManager* manager, SearchResult* result) {
  for (int32_t key = kSortNone; key <= kSortSize + 1; ++key) result->Sort(key, key % 2 == 0);
  for (size_t i = 0; i < result->ids.size() && i < 50; ++i) {
    EntryDetails details;
    if (!manager->GetDetails(result->ids[i], &details)) std::abort();
    if (i % 3 == 0) manager->RecordRemoval(result->ids[i], details.FullPath());
  }
}

// The request straight on the files, with the folder lookup on its own; returns N.
uint32_t SearchLoaded(const std::string& live, const SearchRequest& request, int page,
                      int page_size) {
  LoadedIndex index;
  if (!index.Open(live)) return 0;
  FolderRange range;
  FindFolder(index.folders(), index.store(), request.location, &range);
  IndexDetails source(&index);
  uint32_t total = 0;
  SearchResult* result = RunQuery(&index, &source, request, page, page_size, &total);
  if (result == nullptr) return index.EntryCount();  // a posting list could not be read whole
  CheckPage(*result, total, page_size, index.EntryCount());
  for (int32_t key = kSortNone; key <= kSortSize; ++key) result->Sort(key, key % 2 != 0);
  if (!result->ids.empty()) result->RemoveAt(0, std::string());
  result->Release();
  return index.EntryCount();
}

void Search(IndexManager* manager, const SearchRequest& request, int page, int page_size,
            uint32_t entries, bool use_page) {
  uint32_t total = 0;
  SearchResult* result = manager->Search(request, page, page_size, &total);
  if (result == nullptr) return;
  CheckPage(*result, total, page_size, entries);
  if (use_page) UsePage(manager, result);
  result->Release();
}

void ReadAround(IndexManager* manager, uint32_t entries) {
  EntryDetails details;
  for (uint32_t id : {0u, 1u, 2u, entries, entries + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    manager->GetDetails(id, &details);
  }
  for (int slot = -1; slot <= 6; ++slot) {
    std::vector<uint16_t> codes;
    if (manager->MonthCodesOf(slot, &codes) > 250) std::abort();
  }
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, kFileCount + 1);
  const std::string work = fuzz::ScratchFolder::Get().Fresh();
  const std::string live = work + "\\" + kLiveFolder;
  CreateFolder(live);
  parts[5] = fuzz::UnpackMatrix(parts[5]);
  for (size_t i = 0; i < kFileCount; ++i) fuzz::WriteFileBytes(live + "\\" + kFiles[i], parts[i]);
  fuzz::WriteFileBytes(live + "\\index.pym", parts[5]);
  fuzz::WriteFileBytes(live + "\\index.pyd", parts[6]);

  int page = 1, page_size = 800;
  const SearchRequest request = RequestOf(parts[kFileCount], &page, &page_size);
  SearchRequest pinyin = request;
  pinyin.pinyin = true;
  const uint32_t entries = SearchLoaded(live, request, page, page_size);
  SearchLoaded(live, pinyin, page, page_size);
  IndexManager manager(work + "\\", std::make_unique<StillEnvironment>(), false);
  Search(&manager, request, page, page_size, entries, true);
  Search(&manager, pinyin, 1, kPageSize, entries, false);
  Search(&manager, request, 1, kPageSize, entries, false);
  ReadAround(&manager, entries);
  return 0;
}
