// A PNG picture from the executable's resources, as a stream that GDI+ draws from.
#pragma once

#include <objidl.h>
#include <windows.h>

namespace sorvik {

class PngLoader {
 public:
  PngLoader() = default;
  ~PngLoader() { Reset(); }
  PngLoader(const PngLoader&) = delete;
  PngLoader& operator=(const PngLoader&) = delete;

  // Copies resource `id` of `type` ("png" or "PNG") into movable global memory and opens a
  // stream over it. False (and an empty loader) when the resource is missing.
  bool Load(int id, const char* type = "PNG");
  IStream* Stream() const { return stream_; }
  bool Empty() const { return stream_ == nullptr; }
  // Draws the picture stretched into `rect`; nothing when empty.
  void Draw(HDC dc, const RECT& rect) const;

 private:
  void Reset();

  HGLOBAL memory_ = nullptr;   // the copy of the resource bytes
  IStream* stream_ = nullptr;  // a stream over it
};

}  // namespace sorvik
