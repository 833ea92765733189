#include "ui/search/about_dlg.h"

#include <string>

#include "res/resource_ids.h"

namespace sorvik {
namespace {

constexpr char kTerms[] =
    "本软件为免费软件，个人和企业均可免费使用、复制和分发。\r\n\r\n"
    "您可以自由使用本软件搜索您电脑上的文件；请勿对本软件进行反向工程、修改或"
    "将其用于任何违法用途。\r\n\r\n"
    "本软件按“现状”提供，不附带任何明示或暗示的担保。对于因使用本软件而造成的"
    "任何数据丢失或其他损失，作者不承担任何责任。";

}  // namespace

CAboutDlg::CAboutDlg() : CDialogBase(IDD_ABOUT) {}

BOOL CAboutDlg::OnInit() {
  SetDlgItemTextA(Handle(), IDC_ABOUT_PRODUCT, kProductName);
  SetDlgItemTextA(Handle(), IDC_ABOUT_VERSION, (std::string("版本：") + kProductVersion).c_str());
  SetDlgItemTextA(Handle(), IDC_ABOUT_BUILD, (std::string("编译日期：") + __DATE__).c_str());
  SetDlgItemTextA(Handle(), IDC_ABOUT_TERMS, kTerms);
  // The terms box is the first stop of the dialog, and a box that gets the focus from the
  // dialog has all its text selected: the focus goes to "确定" instead.
  SetFocus(GetDlgItem(Handle(), IDOK));
  return FALSE;
}

}  // namespace sorvik
