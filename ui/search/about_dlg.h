// "关于...": the product, its version and build date, and the terms of free use.
#pragma once

#include "sorvik_version.h"
#include "widgets/dialog_base.h"

namespace sorvik {

constexpr char kProductName[] = "Sorvik 文件搜索专家";
constexpr char kProductVersion[] = SORVIK_VERSION_TEXT;

class CAboutDlg : public CDialogBase {
 public:
  CAboutDlg();

 protected:
  BOOL OnInit() override;
};

}  // namespace sorvik
