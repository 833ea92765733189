#include "tools/md5_checksum_dlg.h"

#include <utility>
#include <vector>

#include "crypto/hex_text.h"
#include "crypto/md5.h"
#include "crypto/passphrase_cipher.h"
#include "res/resource_ids.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr char kCaptionPrefix[] = "Sorvik  ";  // the product word and two blanks
constexpr char kReadFailed[] = "读取文件失败！";
constexpr char kNoticeCaption[] = "提示";

}  // namespace

CMd5ChecksumDlg::CMd5ChecksumDlg(std::string path)
    : CDialogBase(IDD_MD5_CHECKSUM), path_(std::move(path)) {}

BOOL CMd5ChecksumDlg::OnInit() {
  EnsureUserKeys();
  Md5Digest digest{};
  if (!Md5OfFile(path_, &digest)) {
    ShowMessage(kReadFailed, kNoticeCaption);
    End(0);
    return TRUE;
  }
  SetDlgItemTextA(Handle(), IDC_MD5_TEXT, HexUpper(digest.size(), digest.data()).c_str());
  // The name after the last "\", found character by character: a GBK trail byte may be 0x5C.
  const std::vector<std::string> parts = SplitPath(path_);
  const std::string name = parts.empty() ? path_ : parts.back();
  SetWindowTextA(Handle(), (kCaptionPrefix + name).c_str());
  return TRUE;
}

void ShowMd5ChecksumDlg(HWND owner, const std::string& path) {
  CMd5ChecksumDlg dialog(path);
  dialog.RunModal(owner);
}

}  // namespace sorvik
