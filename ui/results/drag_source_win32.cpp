#include "ui/results/drag_source_win32.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <thread>

#include "res/resource_ids.h"

namespace sorvik {
namespace {

FORMATETC FileDropFormat() {
  return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// A copy of `block` that the receiver of the data owns.
HGLOBAL CopyBlock(HGLOBAL block) {
  const SIZE_T size = GlobalSize(block);
  HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, size);
  if (copy == nullptr) return nullptr;
  void* to = GlobalLock(copy);
  void* from = GlobalLock(block);
  if (to != nullptr && from != nullptr) std::memcpy(to, from, size);
  GlobalUnlock(block);
  GlobalUnlock(copy);
  return copy;
}

// The data of one drag: the drag block under the file-drop format, nothing else.
class FileDropData : public IDataObject {
 public:
  explicit FileDropData(HGLOBAL block) : block_(block) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDataObject) {
      *out = static_cast<IDataObject*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the stack

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = CopyBlock(block_);
    medium->pUnkForRelease = nullptr;
    return medium->hGlobal != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
    if (format == nullptr || format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    return (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_TYMED;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (direction != DATADIR_GET) return E_NOTIMPL;
    FORMATETC format = FileDropFormat();
    return SHCreateStdEnumFmtEtc(1, &format, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
    return OLE_E_ADVISENOTSUPPORTED;
  }

 private:
  HGLOBAL block_;         // the drag block, owned by the thread
  ULONG references_ = 1;  // counted for the system's sake only
};

// Drops when the left button is let go, gives up on Esc; the system's cursors.
class FileDropSource : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDropSource) {
      *out = static_cast<IDropSource*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the stack

  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) == 0 ? DRAGDROP_S_DROP : S_OK;
  }
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
  ULONG references_ = 1;
};

INT_PTR CALLBACK HiddenOwnerProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void RunDrag(DragJob job) {
  OleInitialize(nullptr);
  // Any hidden window can own the drag loop; the about box's template makes one.
  HWND owner = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                  HiddenOwnerProc, 0);
  {
    FileDropData data(job.block);
    FileDropSource source;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(&data, &source, DROPEFFECT_COPY, &effect);
  }
  if (owner != nullptr) DestroyWindow(owner);
  GlobalFree(job.block);
  if (job.left_out > 0)
    MessageBoxA(nullptr, LeftOutText(job.left_out).c_str(), "提示", MB_OK | MB_ICONINFORMATION);
  OleUninitialize();
}

}  // namespace

std::string LeftOutText(size_t left_out) {
  return "选中的文件太多，有" + std::to_string(left_out) + "个文件未能拖放和复制。";
}

bool StartDragThread(DragJob job) {
  if (job.block == nullptr) return false;
  try {
    std::thread(RunDrag, job).detach();
    return true;
  } catch (...) {
    GlobalFree(job.block);
    return false;
  }
}

}  // namespace sorvik
