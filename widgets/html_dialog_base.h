// A dialog that shows a page from the executable's HTML resources in an embedded browser. The
// page's script may call window.external.CallService(command); "UPDATEWINDOW" repaints the
// dialog at once, other commands do nothing.
#pragma once

#include <windows.h>

#include <string>

#include "widgets/dialog_base.h"

namespace sorvik {

class BrowserSite;

constexpr char kUpdateWindowCommand[] = "UPDATEWINDOW";

class CHtmlDialogBase : public CDialogBase {
 public:
  CHtmlDialogBase(int template_id, int html_id);
  ~CHtmlDialogBase() override;

  // The address of HTML resource `html_id` of the running executable ("res://PATH/ID").
  static std::string ResourceUrl(int html_id);
  // The page script's call; answers with an empty text.
  std::string CallService(const std::string& command);
  // The object the page sees as window.external. The caller releases it.
  IDispatch* External();
  // Shows another page of the resources.
  bool ShowPage(int html_id);

 protected:
  BOOL OnInit() override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  int html_id_;                  // the page shown first
  BrowserSite* site_ = nullptr;  // the embedded browser, null when there is none
};

}  // namespace sorvik
