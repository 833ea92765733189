// The MD5 dialog: shows the digest of one file as 32 upper-case hex digits in a text box the
// user can copy from, with the file's name in the caption.
#pragma once

#include <string>

#include "widgets/dialog_base.h"

namespace sorvik {

class CMd5ChecksumDlg : public CDialogBase {
 public:
  explicit CMd5ChecksumDlg(std::string path);

 protected:
  // Hashes the file; when it cannot be read, tells the user and ends the dialog with 0.
  BOOL OnInit() override;

 private:
  std::string path_;  // the full path of the file
};

// Runs the MD5 dialog modally over `owner` for the file at `path` (GBK, full path).
void ShowMd5ChecksumDlg(HWND owner, const std::string& path);

}  // namespace sorvik
