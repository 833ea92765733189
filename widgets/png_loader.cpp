#include "widgets/png_loader.h"

#include <cstring>

#include "widgets/gdiplus_headers.h"

namespace sorvik {

bool PngLoader::Load(int id, const char* type) {
  Reset();
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (resource == nullptr) return false;
  DWORD size = SizeofResource(module, resource);
  const void* bytes = LockResource(LoadResource(module, resource));
  if (bytes == nullptr || size == 0) return false;
  memory_ = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory_ == nullptr) return false;
  std::memcpy(GlobalLock(memory_), bytes, size);
  GlobalUnlock(memory_);
  // The stream does not own the memory: Reset frees it after releasing the stream.
  if (CreateStreamOnHGlobal(memory_, FALSE, &stream_) != S_OK) {
    stream_ = nullptr;
    Reset();
    return false;
  }
  return true;
}

void PngLoader::Draw(HDC dc, const RECT& rect) const {
  if (stream_ == nullptr) return;
  Gdiplus::Bitmap bitmap(stream_);
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return;
  Gdiplus::Graphics graphics(dc);
  graphics.DrawImage(&bitmap, static_cast<INT>(rect.left), static_cast<INT>(rect.top),
                     static_cast<INT>(rect.right - rect.left),
                     static_cast<INT>(rect.bottom - rect.top));
}

void PngLoader::Reset() {
  if (stream_ != nullptr) stream_->Release();
  stream_ = nullptr;
  if (memory_ != nullptr) GlobalFree(memory_);
  memory_ = nullptr;
}

}  // namespace sorvik
