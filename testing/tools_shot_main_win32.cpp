// sorvik-tools-shot.exe: shows the tools windows on given files for scripts/screenshots, until
// the process is ended.
//   md5 PATH                          the MD5 dialog for PATH
//   viewer [--slide-show] PATH...     the picture viewer on a page of PATHs, at the first one
//   pslist                            the process list with this program's row selected
// Exit status 0 when the window was shown and closed, 1 when it could not be shown, 2 for a
// usage error.
#include <windows.h>
// The tool-tip control of the viewer.
#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "text/gbk_text.h"
#include "tools/md5_checksum_dlg.h"
#include "tools/photo_viewer.h"
#include "tools/ps_list_wnd.h"
#include "widgets/gdiplus_headers.h"

namespace sorvik {
namespace {

// Entries given as full paths; id k is the k-th path.
class PathDetails : public DetailsSource {
 public:
  explicit PathDetails(std::vector<std::string> paths) : paths_(std::move(paths)) {}
  uint32_t Generation() override { return 1; }  // one index, never swapped
  bool ReadDetails(uint32_t, uint32_t id, EntryDetails* out) override {
    *out = EntryDetails();
    if (id == 0 || id > paths_.size()) return true;
    const std::string& path = paths_[id - 1];
    const std::vector<std::string> parts = SplitPath(path);
    out->name = parts.empty() ? path : parts.back();
    out->folderPath = path.substr(0, path.size() - out->name.size() - 1);
    return true;
  }
  bool RecordRemoval(uint32_t, uint32_t, const std::string&) override { return false; }

 private:
  std::vector<std::string> paths_;
};

void RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

int ShowViewer(std::vector<std::string> paths, bool slide_show) {
  PathDetails source(paths);
  auto* page = new SearchResult(&source);
  for (uint32_t id = 1; id <= paths.size(); ++id) page->ids.push_back(id);
  LPhotoMainWnd* viewer = LPhotoMainWnd::Open(page, 0);
  page->Release();
  if (viewer == nullptr) return 1;
  if (slide_show) PostMessageA(viewer->Handle(), WM_KEYDOWN, VK_F5, 0);
  RunMessageLoop();
  return 0;
}

int ShowProcessList() {
  CPsListMainWnd* window = CPsListMainWnd::Open(nullptr);
  if (window == nullptr) return 1;
  window->SelectProcess(GetCurrentProcessId());
  RunMessageLoop();
  return 0;
}

int Run(const std::vector<std::string>& arguments) {
  if (arguments.size() == 1 && arguments[0] == "pslist") return ShowProcessList();
  if (arguments.size() == 2 && arguments[0] == "md5") {
    ShowMd5ChecksumDlg(nullptr, arguments[1]);
    return 0;
  }
  if (arguments.size() >= 2 && arguments[0] == "viewer") {
    const bool slide_show = arguments[1] == "--slide-show";
    std::vector<std::string> paths(arguments.begin() + (slide_show ? 2 : 1), arguments.end());
    return paths.empty() ? 2 : ShowViewer(paths, slide_show);
  }
  return 2;
}

}  // namespace
}  // namespace sorvik

int main(int argc, char** argv) {
  CoInitialize(nullptr);
  InitCommonControls();
  ULONG_PTR gdiplus = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&gdiplus, &input, nullptr);
  return sorvik::Run(std::vector<std::string>(argv + 1, argv + argc));
}
