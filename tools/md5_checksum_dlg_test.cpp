#include "tools/md5_checksum_dlg.h"

#include <gtest/gtest.h>

#include "res/resource_ids.h"
#include "testing/test_util.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

// While it lives, the first MD5 dialog that shows is read (caption and digest box) and closed
// with its OK button.
class Md5DialogReader {
 public:
  Md5DialogReader() {
    current_ = this;
    hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
  }
  ~Md5DialogReader() {
    UnhookWindowsHookEx(hook_);
    current_ = nullptr;
  }
  Md5DialogReader(const Md5DialogReader&) = delete;
  Md5DialogReader& operator=(const Md5DialogReader&) = delete;

  bool shown = false;
  std::string caption;  // the dialog's caption when it showed
  std::string digest;   // the text of the digest box

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
    HWND window = reinterpret_cast<HWND>(wparam);
    if (code == HCBT_ACTIVATE && current_ != nullptr && !current_->shown &&
        GetDlgItem(window, IDC_MD5_TEXT) != nullptr) {
      char text[260] = {0};
      GetWindowTextA(window, text, sizeof text);
      current_->caption = text;
      GetDlgItemTextA(window, IDC_MD5_TEXT, text, sizeof text);
      current_->digest = text;
      current_->shown = true;
      PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
  }

  static inline Md5DialogReader* current_ = nullptr;
  HHOOK hook_;
};

TEST(Md5ChecksumDlg, ShowsTheDigestWithTheFileName) {
  testing::TempFolder folder;
  {
    // A file with a Chinese name: the digest in upper case, the name after two blanks.
    const std::string path = folder.Join("报告.txt");
    testing::WriteText(path, "abc");
    Md5DialogReader reader;
    CMd5ChecksumDlg dialog(path);
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    EXPECT_EQ(reader.caption, "Sorvik  报告.txt");
    EXPECT_EQ(reader.digest, "900150983CD24FB0D6963F7D28E17F72");
  }
  {
    // An empty file; a name whose second byte is "\" in GBK is not cut there.
    const std::string path = folder.Join("\x81\x5C.dat");
    testing::WriteText(path, "");
    Md5DialogReader reader;
    ShowMd5ChecksumDlg(nullptr, path);
    EXPECT_EQ(reader.caption, "Sorvik  \x81\x5C.dat");
    EXPECT_EQ(reader.digest, "D41D8CD98F00B204E9800998ECF8427E");
  }
}

TEST(Md5ChecksumDlg, FileThatCannotBeRead) {
  testing::TempFolder folder;
  const std::string path = folder.Join("held.txt");
  testing::WriteText(path, "abc");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  // Held without sharing, then missing: the notice, and the dialog ends with 0.
  for (const std::string& unreadable : {path, folder.Join("missing.txt")}) {
    testing::DialogAnswerer answerer({"提示"});
    Md5DialogReader reader;
    CMd5ChecksumDlg dialog(unreadable);
    EXPECT_EQ(dialog.RunModal(nullptr), 0);
    ASSERT_EQ(answerer.texts.size(), 1u);
    EXPECT_EQ(answerer.texts[0], "读取文件失败！");
    // Activated again when the notice closes, but never given a digest or a caption.
    EXPECT_EQ(reader.digest, "");
    EXPECT_NE(reader.caption.rfind("Sorvik", 0), 0u);
  }
  CloseHandle(held);
}

}  // namespace
}  // namespace sorvik
