// Test support for the tools windows: GDI+ started once, pictures written as BMP files, and
// result pages over details held in memory. Tests only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "query/details_source.h"
#include "query/search_result.h"
#include "testing/test_util.h"
#include "widgets/gdiplus_headers.h"

namespace sorvik {
namespace testing {

// Starts GDI+ for the test executable on first use; it runs until the process ends.
inline void EnsureGdiplus() {
  static ULONG_PTR token = 0;
  if (token != 0) return;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
}

// Writes a 24-bit BMP of `width` x `height` filled with `colour`.
inline void WriteSolidBmp(const std::string& path, int width, int height, COLORREF colour) {
  const int row = (width * 3 + 3) / 4 * 4;
  std::vector<uint8_t> bytes(54 + static_cast<size_t>(row) * height, 0);
  auto put32 = [&bytes](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* pixel = &bytes[54 + static_cast<size_t>(y) * row + x * 3];
      pixel[0] = GetBValue(colour);
      pixel[1] = GetGValue(colour);
      pixel[2] = GetRValue(colour);
    }
  }
  WriteBytes(path, bytes);
}

// Entries of one folder kept in memory; ids count from 1 in the order they are added.
class FolderDetails : public DetailsSource {
 public:
  explicit FolderDetails(std::string folder) : folder_(std::move(folder)) {}
  uint32_t Generation() override { return 1; }  // one index, never swapped
  bool ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) override {
    *out = EntryDetails();
    if (generation != Generation()) return false;
    if (id >= 1 && id <= names_.size()) *out = EntryDetails{0, 0, names_[id - 1], folder_};
    return true;
  }
  bool RecordRemoval(uint32_t, uint32_t, const std::string&) override { return false; }

  void Add(const std::string& name) { names_.push_back(name); }
  // A page (one reference) of every entry added, in order.
  SearchResult* Page() {
    auto* result = new SearchResult(this);
    for (uint32_t id = 1; id <= names_.size(); ++id) result->ids.push_back(id);
    return result;
  }

 private:
  std::string folder_;
  std::vector<std::string> names_;
};

}  // namespace testing
}  // namespace sorvik
