#include "ui/results/drag_source_win32.h"

#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "ui/results/file_drop.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

// Accepts a copy and records the files dropped on it.
class RecordingTarget : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IDropTarget ? this : nullptr;
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }  // lives on the stack
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (SUCCEEDED(data->GetData(&format, &medium))) {
      HDROP drop = static_cast<HDROP>(medium.hGlobal);
      const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {0};
        DragQueryFileA(drop, i, path, sizeof path);
        files.push_back(path);
      }
      ReleaseStgMedium(&medium);
    }
    *effect = DROPEFFECT_COPY;
    dropped = true;
    return S_OK;
  }
  ULONG references = 1;
  bool dropped = false;
  std::vector<std::string> files;
};

TEST(DragThread, DropsTheBlocksFilesOnTheWindowUnderThePointer) {
  ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
  HWND window = testing::CreateHolderWindow("SorvikDropTarget", DefWindowProcA, 300, 300,
                                            WS_POPUP | WS_VISIBLE);
  RecordingTarget target;
  ASSERT_EQ(RegisterDragDrop(window, &target), S_OK);
  SetCursorPos(150, 150);
  DragJob job;
  job.block = MakeDragBlock({"C:\\资料\\a.doc", "D:\\b c\\d.txt"});
  ASSERT_TRUE(StartDragThread(job));
  for (int waited = 0; waited < 10000 && !target.dropped; waited += 10) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
  EXPECT_TRUE(target.dropped);
  EXPECT_EQ(target.files, (std::vector<std::string>{"C:\\资料\\a.doc", "D:\\b c\\d.txt"}));
  RevokeDragDrop(window);
  DestroyWindow(window);
  OleUninitialize();
}

}  // namespace
}  // namespace sorvik
