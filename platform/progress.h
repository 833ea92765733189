// Progress texts for the first-build dialog, the top-level window of class
// "NINDEX_CREATION_DLG". Win32: FindWindowA, PostMessageA and SendMessageA
// (platform/win32/progress.cpp). POSIX: no windows; a test or the command line installs a
// ProgressSink, and while one is installed the "window" exists and receives the texts
// (platform/posix/progress.cpp).
//
// The contract of message 1125 (kMsgProgressText), posted or sent:
//   WPARAM = a pointer to a zero-terminated GBK text that is a heap copy made for this one
//            message; LPARAM = 0.
//   The RECEIVER owns the copy: after reading it, it calls FreeProgressText(wParam). A posted
//   text thus stays readable however long the message waits in the queue, and the sender may
//   change or free its own text at once.
//   When the message cannot be delivered (PostMessageA fails, or SendMessageA finds no
//   window), the sender frees the copy; PostProgressText and SendProgressText do this.
//   A message still queued when its window is destroyed leaks its copy (a few bytes, once).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {

constexpr uint32_t kMsgProgressText = 0x0400 + 101;  // WM_USER + 101 = 1125
constexpr char kProgressWindowClass[] = "NINDEX_CREATION_DLG";

// The first-build dialog's window handle, or 0 when there is none.
uintptr_t FindProgressWindow();

// Posts `text` to `window` (returns at once). True when the message was queued.
bool PostProgressText(uintptr_t window, const std::string& text);

// Sends `text` to `window` and waits until the window has handled it. True when the window
// received it.
bool SendProgressText(uintptr_t window, const std::string& text);

// Message 1124 tells the dialog that a new index is in place: WPARAM = a pointer to the
// sender's zero-terminated GBK text, valid only while the message is handled (it is sent, never
// posted); LPARAM = 0. The receiver copies what it keeps and frees nothing.
constexpr uint32_t kMsgIndexDone = 0x0400 + 100;  // WM_USER + 100 = 1124
// Sends 1124 with `text` and waits until the window has handled it. True when it received it.
bool SendIndexDone(uintptr_t window, const char* text);

// The text that a 1125 message carries in its WPARAM.
inline const char* ProgressTextOf(uintptr_t wparam) {
  return reinterpret_cast<const char*>(wparam);
}

// Frees the copy that a 1125 message carries. REQUIRES: `wparam` is the WPARAM of a 1125
// message made by PostProgressText or SendProgressText, freed once. 0 is ignored.
void FreeProgressText(uintptr_t wparam);

// POSIX stand-in for the dialog: receives each text as the window procedure would.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Called for each 1125 message on the sending thread; `sent` is true for SendProgressText.
  // The implementation owns `wparam` and must call FreeProgressText on it.
  virtual void OnProgressText(uintptr_t wparam, bool sent) = 0;
  // Called for a 1124 message; `text` is valid during the call only.
  virtual void OnIndexDone(const char* text) { (void)text; }
};

// The entries the walk of a build in this process has recorded so far, for a front end in the
// same process (sorvik-cli's progress line). The walker sets it as it goes, 0 when it starts.
void SetWalkedEntries(uint32_t count);
uint32_t WalkedEntries();

// Installs `sink` as the first-build dialog (null removes it); returns false on Win32, where
// the real window is used. REQUIRES: the sink outlives its installation.
bool InstallProgressSink(ProgressSink* sink);

}  // namespace sorvik
