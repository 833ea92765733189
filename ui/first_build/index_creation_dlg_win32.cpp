#include "ui/first_build/index_creation_dlg_win32.h"

#include <commctrl.h>

#include <string>
#include <thread>

#include "lifecycle/index_manager.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "res/resource_ids.h"

namespace sorvik {
namespace {

// The worker: build into the build folder, make it the live folder, tell the dialog. It touches
// no dialog object, so it may outlive a cancelled dialog.
void RunFirstBuild(ConfigStore* settings, BuildOptions build, std::shared_ptr<void> done) {
  // A build that failed part way never becomes the live index, however usable it looks; the
  // background thread then finds no index and builds again.
  const Status built = BuildIndex(settings, build);
  if (built.ok()) {
    RenamePath(build.work + kBuildFolder, build.work + kLiveFolder);
    SendIndexDone(FindProgressWindow(), kIndexDoneText);
  } else {
    DeleteFolderTree(build.work + kBuildFolder);
    const std::string text = kIndexNotBuiltText + built.message();
    SendIndexDone(FindProgressWindow(), text.c_str());
  }
  SetEvent(done.get());
}

void CloseEvent(void* event) { CloseHandle(event); }

}  // namespace

bool RegisterIndexCreationClass() {
  WNDCLASSA dialog_class;
  if (GetClassInfoA(GetModuleHandleA(nullptr), kProgressWindowClass, &dialog_class)) return true;
  if (!GetClassInfoA(nullptr, "#32770", &dialog_class)) return false;
  dialog_class.hInstance = GetModuleHandleA(nullptr);
  dialog_class.lpszClassName = kProgressWindowClass;
  return RegisterClassA(&dialog_class) != 0;
}

CIndexCreationDlg::CIndexCreationDlg(ConfigStore* settings, const BuildOptions& build)
    : CDialogBase(IDD_INDEX_CREATION), settings_(settings), build_(build) {}

CIndexCreationDlg::~CIndexCreationDlg() {
  if (font_ != nullptr) DeleteObject(font_);
  if (white_ != nullptr) DeleteObject(white_);
}

INT_PTR CIndexCreationDlg::RunModal() {
  RegisterIndexCreationClass();
  return CDialogBase::RunModal(nullptr);
}

void CIndexCreationDlg::WaitForWorker() {
  if (worker_done_) WaitForSingleObject(worker_done_.get(), INFINITE);
}

BOOL CIndexCreationDlg::OnInit() {
  if (IndexUsableAt(build_.work + kLiveFolder)) {
    End(IDOK);
    return TRUE;
  }
  white_ = CreateSolidBrush(RGB(255, 255, 255));
  font_ = CreateFontA(15, 0, 0, 0, 500, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
  MessageBoxA(Handle(), kFirstBuildNotice, kFirstBuildNoticeCaption,
              MB_OK | MB_ICONINFORMATION | MB_TOPMOST);
  StartWorker();
  ShowWindow(Item(IDC_CREATION_TEXT), SW_HIDE);
  SendMessageA(Item(IDC_CREATION_ANIMATE), ACM_OPENA,
               reinterpret_cast<WPARAM>(GetModuleHandleA(nullptr)),
               reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(IDR_AVI_BUILDING)));
  return TRUE;
}

void CIndexCreationDlg::StartWorker() {
  worker_done_ = std::shared_ptr<void>(CreateEventA(nullptr, TRUE, FALSE, nullptr), CloseEvent);
  std::thread(RunFirstBuild, settings_, build_, worker_done_).detach();
}

bool CIndexCreationDlg::OnCommand(int id, int code, HWND control) {
  (void)code;
  (void)control;
  switch (id) {
    case IDC_CREATION_HIDE:
      ShowWindow(Handle(), SW_HIDE);
      return true;
    case IDCANCEL:
      End(IDCANCEL);
      return true;
    default:
      // Enter must not end the dialog: only the finished build does.
      return id == IDOK;
  }
}

void CIndexCreationDlg::OnSize(UINT type, int cx, int cy) {
  (void)cx;
  (void)cy;
  if (type != SIZE_MINIMIZED) PlayAnimation();
}

void CIndexCreationDlg::PlayAnimation() {
  SendMessageA(Item(IDC_CREATION_ANIMATE), ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, -1));
}

void CIndexCreationDlg::ShowStatus(const char* text) {
  status_ = text;
  InvalidateRect(Handle(), nullptr, TRUE);
}

bool CIndexCreationDlg::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) {
  switch (message) {
    case kMsgProgressText:
      ShowStatus(ProgressTextOf(wparam));
      FreeProgressText(wparam);
      return true;
    case kMsgIndexDone:
      ShowStatus(reinterpret_cast<const char*>(wparam));
      if (status_ != kIndexDoneText) {
        MessageBoxA(Handle(), status_.c_str(), kIndexNotBuiltCaption,
                    MB_OK | MB_ICONWARNING | MB_TOPMOST);
      }
      End(IDOK);
      return true;
    case WM_SHOWWINDOW:
      if (wparam) PlayAnimation();
      return false;
    case WM_PAINT:
      Paint();
      return true;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
      *result = reinterpret_cast<INT_PTR>(white_);
      return white_ != nullptr;
    default:
      (void)lparam;
      return false;
  }
}

void CIndexCreationDlg::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(Handle(), &paint);
  RECT area;
  GetWindowRect(Item(IDC_CREATION_TEXT), &area);
  MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
  HGDIOBJ old_font = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  const UINT format = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
  // Measure first: word-wrapped text can only be centred vertically by hand.
  RECT measure = area;
  DrawTextA(dc, status_.c_str(), -1, &measure, format | DT_CALCRECT);
  int offset = ((area.bottom - area.top) - (measure.bottom - measure.top)) / 2;
  RECT target = area;
  if (offset > 0) target.top += offset;
  DrawTextA(dc, status_.c_str(), -1, &target, format);
  SelectObject(dc, old_font);
  EndPaint(Handle(), &paint);
}

}  // namespace sorvik
