// The tool windows the result list opens: the MD5 dialog and the picture viewer (which takes a
// reference of its own to the result, so a later search never pulls the pictures from under it).
#include "tools/md5_checksum_dlg.h"
#include "tools/photo_viewer.h"
#include "ui/results/result_actions.h"

namespace sorvik {

ResultToolHooks ToolWindowHooks() {
  ResultToolHooks hooks;
  hooks.open_md5 = ShowMd5ChecksumDlg;
  hooks.open_viewer = ShowPhotoViewer;
  return hooks;
}

}  // namespace sorvik
