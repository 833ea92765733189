// The favourites store over arbitrary Favorite.xml bytes: reading never fails (deeply nested or
// cut-short files included), after adding one favourite and saving, a fresh store reads back
// exactly the list the first one held, and a file that could not be read is kept as ".bad".
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "favourites/favorite_store.h"
#include "fuzz/fuzz_support.h"
#include "platform/fs.h"

namespace sorvik {
namespace {

SearchRequest RequestOf(const std::string& part) {
  fuzz::FieldReader fields(part);
  SearchRequest request;
  // Every negative category means all files and is stored as no category at all.
  request.category = static_cast<int8_t>(fields.U8());
  if (request.category < 0) request.category = kCategoryAll;
  request.hiddenOnly = fields.U8() & 1;
  request.monthFrom = fields.U16();
  request.monthTo = fields.U16();
  const std::string text = fuzz::WithoutZeros(fields.Rest());
  const size_t split = text.find('\n');
  request.keywords = text.substr(0, split);
  if (split != std::string::npos) request.location = text.substr(split + 1);
  return request;
}

// An element whose text is white space alone reads back without text: a keyword line of blanks
// means every entry, as an empty one does, and a location is a folder path, never blank.
std::string AsRead(const std::string& text) {
  return text.find_first_not_of(" \t\n\v\f\r") == std::string::npos ? std::string() : text;
}

bool Same(const FavoriteEntry& a, const FavoriteEntry& b) {
  const SearchRequest& x = a.request;
  const SearchRequest& y = b.request;
  return a.title == b.title && AsRead(x.keywords) == AsRead(y.keywords) &&
         AsRead(x.location) == AsRead(y.location) && x.category == y.category &&
         x.hiddenOnly == y.hiddenOnly && x.monthFrom == y.monthFrom && x.monthTo == y.monthTo;
}

}  // namespace
}  // namespace sorvik

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sorvik;
  std::vector<std::string> parts = fuzz::CutInput(data, size, 3);
  const std::string folder = fuzz::ScratchFolder::Get().Fresh() + "\\NFavorite";
  CreateFolder(folder);
  fuzz::WriteFileBytes(folder + "\\" + kFavoriteFileName, parts[0]);

  const std::string file = folder + "\\" + kFavoriteFileName;
  auto store = FavoriteStore::Open(folder);
  const bool unreadable = store->Unreadable();
  store->Add(fuzz::WithoutZeros(parts[1]), RequestOf(parts[2]));
  if (!store->Save()) std::abort();
  // A file that could not be read is kept, byte for byte, never written over.
  if (unreadable != (fuzz::ReadFileBytes(file + ".bad") == parts[0] && !parts[0].empty())) {
    std::abort();
  }
  auto reloaded = FavoriteStore::Open(folder);
  if (reloaded->Count() != store->Count()) std::abort();
  for (size_t i = 0; i < store->Count(); ++i) {
    if (!Same(store->Item(i), reloaded->Item(i))) std::abort();
  }
  return 0;
}
