#include "ui/results/file_drop.h"

#include <shlobj.h>

#include <cstring>

#include "widgets/ansi_text.h"

namespace sorvik {
namespace {

static_assert(sizeof(DROPFILES) == kDropFilesHeaderSize, "the file-drop header is 20 bytes");

constexpr size_t kClipboardZeroFill = 8;  // ends the wide list with room to spare
constexpr DWORD kDropEffectCopy = 1;

// A zeroed block of `size` bytes that begins with the file-drop header.
HGLOBAL NewDropBlock(size_t size, bool wide, char** data) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
  if (block == nullptr) return nullptr;
  *data = static_cast<char*>(GlobalLock(block));
  if (*data == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  auto* header = reinterpret_cast<DROPFILES*>(*data);
  header->pFiles = kDropFilesHeaderSize;
  header->fWide = wide ? TRUE : FALSE;
  return block;
}

size_t NarrowBytes(const std::vector<std::string>& paths) {
  size_t bytes = 0;
  for (const std::string& path : paths) bytes += path.size() + 1;
  return bytes;
}

}  // namespace

std::vector<std::string> PathsThatFit(const std::vector<std::string>& paths, size_t* left_out) {
  std::vector<std::string> fit;
  size_t used = 0;
  *left_out = 0;
  for (const std::string& path : paths) {
    if (path.size() + 1 > kDragPathBytes - used) {
      ++*left_out;
      continue;
    }
    used += path.size() + 1;
    fit.push_back(path);
  }
  return fit;
}

HGLOBAL MakeDragBlock(const std::vector<std::string>& paths) {
  if (NarrowBytes(paths) > kDragPathBytes) return nullptr;
  char* data = nullptr;
  HGLOBAL block = NewDropBlock(kDragBlockSize, false, &data);
  if (block == nullptr) return nullptr;
  char* next = data + kDropFilesHeaderSize;
  for (const std::string& path : paths) {
    std::memcpy(next, path.c_str(), path.size() + 1);
    next += path.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

HGLOBAL MakeClipboardFileList(const std::vector<std::string>& paths) {
  const size_t bytes = NarrowBytes(paths);
  char* data = nullptr;
  HGLOBAL block = NewDropBlock(kDropFilesHeaderSize + 2 * bytes + kClipboardZeroFill, true, &data);
  if (block == nullptr) return nullptr;
  // A path of n bytes never needs more than n UTF-16 units, so the list stays inside 2n bytes.
  auto* next = reinterpret_cast<wchar_t*>(data + kDropFilesHeaderSize);
  for (const std::string& path : paths) {
    const std::wstring wide = AnsiToWide(path);
    std::memcpy(next, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    next += wide.size() + 1;
  }
  GlobalUnlock(block);
  return block;
}

bool PutFilesOnClipboard(const std::vector<std::string>& paths) {
  if (paths.empty()) return false;
  HGLOBAL list = MakeClipboardFileList(paths);
  HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, sizeof(DWORD));
  if (effect != nullptr) {
    *static_cast<DWORD*>(GlobalLock(effect)) = kDropEffectCopy;
    GlobalUnlock(effect);
  }
  if (list == nullptr || effect == nullptr || !OpenClipboard(nullptr)) {
    if (list != nullptr) GlobalFree(list);
    if (effect != nullptr) GlobalFree(effect);
    return false;
  }
  EmptyClipboard();
  if (SetClipboardData(CF_HDROP, list) == nullptr) GlobalFree(list);
  if (SetClipboardData(RegisterClipboardFormatA(kPreferredDropEffect), effect) == nullptr)
    GlobalFree(effect);
  CloseClipboard();
  return true;
}

}  // namespace sorvik
