// The name index over arbitrary index.mtr and index.dat bytes: KeyMatrix::Load and the mapped
// KeyMatrixView that searches use must read the same matrix (version, names, every bitmap and
// cell asked about); then posting reads (whole regions, a key's cells and lists, position
// ranges and the lists inside them) and word lookups driven by the third and fourth parts of the
// input. Every id marked must fit the caller's bitmap, and no reader changes the files it reads.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "index/index_reader.h"
#include "index/key_matrix.h"
#include "index/key_matrix_view.h"
#include "query/entry_set.h"
#include "query/query_engine.h"

namespace sorvik {
namespace {

bool SameCell(const MatrixCell& a, const MatrixCell& b) {
  return a.offset == b.offset && a.value == b.value;
}

// The loaded matrix and the view agree on a key: its bitmap and every cell.
void CompareKey(const KeyMatrix& loaded, const KeyMatrixView& view, uint32_t key) {
  if (std::memcmp(loaded.Bits(key), view.Bits(key), names::kBitmapBytes) != 0) std::abort();
  MatrixCell cells[names::kPositionSlots];
  view.Cells(key, cells);
  for (uint32_t p = 0; p < names::kPositionSlots; ++p) {
    if (!SameCell(loaded.Lookup(key, p), view.Lookup(key, p))) std::abort();
    if (!SameCell(cells[p], view.Lookup(key, p))) std::abort();
  }
}

// A key's cells as the reader checks them, and each of their lists.
void ReadKeyLists(IndexReader* reader, uint32_t key) {
  MatrixCell cells[names::kPositionSlots];
  reader->KeyCells(key, cells);
  std::vector<uint32_t> ids;
  for (uint32_t p = 1; p < names::kPositionSlots; ++p) {
    if (!SameCell(cells[p], reader->Lookup(key, p))) std::abort();
    if (reader->ReadList(cells[p], &ids) && ids.size() != cells[p].value) std::abort();
  }
}

// One query: a key, a position range, an entry count for the bitmap.
void RunQuery(IndexReader* reader, fuzz::FieldReader* query) {
  const uint32_t key = query->U16();
  ReadKeyLists(reader, key);
  const uint32_t first = query->U8();
  const uint32_t last = query->U8();
  const uint32_t entries = query->U16();
  // The exact size the contract asks for: ASan catches a mark outside it.
  std::vector<uint8_t> bits((entries + 7) / 8);
  reader->ReadPostings(key, bits.data(), entries);
  PostingRange range;
  if (!reader->ReadRange(key, first, last, &range)) return;
  uint64_t sum = 0;
  for (uint32_t position = first; position <= last; ++position) {
    uint32_t count = 0;
    const uint32_t* ids = range.List(position, &count);
    for (uint32_t i = 0; i < count; ++i) sum += ids[i];
  }
  if (sum == 1) query->U8();  // keeps the reads from being optimised away
}

void LookUpWords(IndexReader* reader, const std::string& text, uint32_t entries) {
  std::unique_ptr<EntrySet> set = EntrySet::Create(entries, 0);
  if (!set) return;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    MatchWord(reader, text.substr(at, end - at), set.get());
    at = end + 1;
  }
  if (set->Count() > entries) std::abort();
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 4);
  const std::string folder = fuzz::ScratchFolder::Get().Fresh();
  const std::string matrix_path = folder + "\\index.mtr";
  const std::string matrix = fuzz::UnpackMatrix(parts[0]);
  fuzz::WriteFileBytes(matrix_path, matrix);
  fuzz::WriteFileBytes(folder + "\\index.dat", parts[1]);
  {
    KeyMatrix loaded;
    KeyMatrixView view;
    if (!loaded.Open(matrix_path) || !view.Open(matrix_path)) std::abort();
    if (loaded.Version() != view.Version() || loaded.NameCount() != view.NameCount()) std::abort();
    fuzz::FieldReader keys(parts[2]);
    for (int i = 0; i < 16; ++i) {
      const uint32_t key = keys.U16();
      keys.U32();  // the rest of a query (RunQuery)
      CompareKey(loaded, view, key);
    }
  }
  {
    IndexReader reader;
    if (!reader.Open(matrix_path, folder + "\\index.dat")) std::abort();
    fuzz::FieldReader queries(parts[2]);
    for (int i = 0; i < 16; ++i) RunQuery(&reader, &queries);
    LookUpWords(&reader, parts[3], 1 + reader.NameCount() % 4096);
  }
  if (fuzz::ReadFileBytes(matrix_path) != matrix) std::abort();
  return 0;
}
