#include "ui/results/shell_details.h"

#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdint>

namespace sorvik {
namespace {

constexpr int kIconBottomGap = 4;  // below an icon drawn as a thumbnail

// Holds one COM reference and releases it.
template <typename T>
struct ComRef {
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p != nullptr) p->Release();
  }
  void** Out() { return reinterpret_cast<void**>(&p); }
  T* p = nullptr;
};

// Frees one item id list.
struct PidlRef {
  PidlRef() = default;
  PidlRef(const PidlRef&) = delete;
  PidlRef& operator=(const PidlRef&) = delete;
  ~PidlRef() { CoTaskMemFree(p); }
  LPITEMIDLIST p = nullptr;
};

std::wstring Wide(const std::string& text) {
  if (text.empty()) return L"";
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(BSTR text) {
  if (text == nullptr || SysStringLen(text) == 0) return "";
  const int wide_length = static_cast<int>(SysStringLen(text));
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text, wide_length, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<size_t>(std::max(length, 0)), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, wide_length, &narrow[0], length, nullptr, nullptr);
  return narrow;
}

// The folder as the shell opens it: a drive root keeps its backslash ("C:\").
std::wstring ShellFolderPath(const EntryDetails& details) {
  std::string folder = details.folderPath;
  if (!folder.empty() && folder.back() == ':') folder += '\\';
  return Wide(folder);
}

std::string DetailOf(Folder* folder, const VARIANT& item, int column) {
  BSTR text = nullptr;
  if (FAILED(folder->GetDetailsOf(item, column, &text))) return "";
  std::string narrow = Narrow(text);
  SysFreeString(text);
  return narrow;
}

bool OpenShellFolder(Folder** out, const EntryDetails& details) {
  CLSID shell_class;
  if (FAILED(CLSIDFromProgID(L"Shell.Application", &shell_class))) return false;
  ComRef<IShellDispatch> shell;
  if (FAILED(CoCreateInstance(shell_class, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                              shell.Out())) ||
      shell.p == nullptr) {
    return false;
  }
  VARIANT folder_path;
  VariantInit(&folder_path);
  folder_path.vt = VT_BSTR;
  folder_path.bstrVal = SysAllocString(ShellFolderPath(details).c_str());
  const HRESULT opened = shell.p->NameSpace(folder_path, out);
  VariantClear(&folder_path);
  return SUCCEEDED(opened) && *out != nullptr;
}

// The image extractor of the entry, from its folder's shell folder object.
bool OpenExtractor(IExtractImage** out, const EntryDetails& details) {
  ComRef<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(&desktop.p)) || desktop.p == nullptr) return false;
  std::wstring folder_path = ShellFolderPath(details);
  std::wstring name = Wide(details.name);
  PidlRef folder_id;
  if (FAILED(desktop.p->ParseDisplayName(nullptr, nullptr, &folder_path[0], nullptr, &folder_id.p,
                                         nullptr))) {
    return false;
  }
  ComRef<IShellFolder> folder;
  if (FAILED(desktop.p->BindToObject(folder_id.p, nullptr, IID_IShellFolder, folder.Out())) ||
      folder.p == nullptr) {
    return false;
  }
  PidlRef item_id;
  if (name.empty() ||
      FAILED(folder.p->ParseDisplayName(nullptr, nullptr, &name[0], nullptr, &item_id.p, nullptr)))
    return false;
  LPCITEMIDLIST items[] = {item_id.p};
  return SUCCEEDED(folder.p->GetUIObjectOf(nullptr, 1, items, IID_IExtractImage, nullptr,
                                           reinterpret_cast<void**>(out))) &&
         *out != nullptr;
}

HBITMAP ExtractThumbnail(const EntryDetails& details) {
  ComRef<IExtractImage> extractor;
  if (!OpenExtractor(&extractor.p, details)) return nullptr;
  wchar_t location[MAX_PATH] = {0};
  DWORD priority = 0;
  DWORD flags = IEIFLAG_ORIGSIZE;
  const SIZE size = {kThumbnailSize, kThumbnailSize};
  const HRESULT located =
      extractor.p->GetLocation(location, MAX_PATH, &priority, &size, 24, &flags);
  if (FAILED(located) && located != E_PENDING) return nullptr;
  HBITMAP bitmap = nullptr;
  if (FAILED(extractor.p->Extract(&bitmap))) return nullptr;
  return bitmap;
}

// A white 96 x 96, 24-bit bitmap selected into a memory device context.
class Canvas {
 public:
  Canvas() : dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kThumbnailSize;
    info.bmiHeader.biHeight = kThumbnailSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr) return;
    old_ = SelectObject(dc_, bitmap_);
    RECT all = {0, 0, kThumbnailSize, kThumbnailSize};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    if (old_ != nullptr) SelectObject(dc_, old_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  bool ok() const { return bitmap_ != nullptr; }
  // Hands the bitmap to the caller.
  HBITMAP Take() {
    SelectObject(dc_, old_);
    old_ = nullptr;
    HBITMAP taken = bitmap_;
    bitmap_ = nullptr;
    return taken;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Draws `source` scaled to fit 96 x 96 (never enlarged), centred.
void DrawFitted(HDC dc, HBITMAP source) {
  BITMAP info = {};
  if (GetObjectA(source, sizeof info, &info) == 0 || info.bmWidth <= 0 || info.bmHeight == 0)
    return;
  const int width = static_cast<int>(info.bmWidth);
  const int height = static_cast<int>(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
  int width_out = std::min(width, kThumbnailSize);
  int height_out = std::min(height, kThumbnailSize);
  if (int64_t{width} * height_out > int64_t{height} * width_out) {
    height_out = std::max(1, static_cast<int>(int64_t{height} * width_out / width));
  } else {
    width_out = std::max(1, static_cast<int>(int64_t{width} * height_out / height));
  }
  HDC source_dc = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source_dc, source);
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, (kThumbnailSize - width_out) / 2, kThumbnailSize - height_out, width_out,
             height_out, source_dc, 0, 0, width, height, SRCCOPY);
  SelectObject(source_dc, old);
  DeleteDC(source_dc);
}

bool DrawLargeIcon(HDC dc, const EntryDetails& details) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(details.FullPath().c_str(), 0, &info, sizeof info,
                     SHGFI_ICON | SHGFI_LARGEICON) == 0 ||
      info.hIcon == nullptr) {
    return false;
  }
  const int width = GetSystemMetrics(SM_CXICON);
  const int height = GetSystemMetrics(SM_CYICON);
  // Centred across, on the bottom edge: the label below the slot then sits right under it.
  DrawIconEx(dc, (kThumbnailSize - width) / 2, kThumbnailSize - height - kIconBottomGap, info.hIcon,
             width, height, 0, nullptr, DI_NORMAL);
  DestroyIcon(info.hIcon);
  return true;
}

}  // namespace

std::map<std::string, std::string> ShellDetailsOf(const EntryDetails& details) {
  std::map<std::string, std::string> pairs;
  ComRef<Folder> folder;
  if (!OpenShellFolder(&folder.p, details)) return pairs;
  ComRef<FolderItem> item;
  BSTR name = SysAllocString(Wide(details.name).c_str());
  const HRESULT parsed = folder.p->ParseName(name, &item.p);
  SysFreeString(name);
  if (FAILED(parsed) || item.p == nullptr) return pairs;
  VARIANT item_value;
  VariantInit(&item_value);
  item_value.vt = VT_DISPATCH;
  item_value.pdispVal = item.p;  // borrowed: item releases it
  VARIANT no_item;
  VariantInit(&no_item);
  for (int column = 0; column < kShellDetailColumns; ++column) {
    std::string title = DetailOf(folder.p, no_item, column);
    if (title.empty()) continue;
    std::string value = DetailOf(folder.p, item_value, column);
    if (!value.empty()) pairs.emplace(std::move(title), std::move(value));
  }
  return pairs;
}

HBITMAP MakeThumbnail(const EntryDetails& details) {
  Canvas canvas;
  if (!canvas.ok()) return nullptr;
  HBITMAP thumbnail = ExtractThumbnail(details);
  if (thumbnail != nullptr) {
    DrawFitted(canvas.dc(), thumbnail);
    DeleteObject(thumbnail);
    return canvas.Take();
  }
  return DrawLargeIcon(canvas.dc(), details) ? canvas.Take() : nullptr;
}

}  // namespace sorvik
