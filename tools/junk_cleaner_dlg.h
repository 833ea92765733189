// "清理垃圾文件": three checkable rows (the system's temporary folders, the temporary internet
// files, the recycle bins); "立即清理" empties the checked places and closes the dialog.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tools/junk_cleaner.h"
#include "widgets/dialog_base.h"

namespace sorvik {

constexpr char kCleanDoneText[] = "太棒了!已成功清理垃圾文件！";
constexpr char kCleanCaption[] = "提示";
constexpr char kCleanPending[] = "待清理";
constexpr char kCleanFinished[] = "已清理";
constexpr int kCleanRowCount = 3;

// Where the cleaner finds its places and how it empties the recycle bins. The program asks the
// system; tests put a test tree in their place.
class JunkPlaces {
 public:
  virtual ~JunkPlaces() = default;
  // The user's temporary folder as the system names it (GetTempPath).
  virtual std::string UserTempFolder();
  // The system's temporary folder: the machine environment's TEMP, expanded; empty when the
  // system names none.
  virtual std::string SystemTempFolder();
  // The temporary-internet-files folder.
  virtual std::string InternetCacheFolder();
  // Folders that are never emptied, nor any folder that holds one of them.
  virtual std::vector<std::string> KeptFolders();
  // Empties the recycle bins of all drives without asking or showing progress.
  virtual void EmptyRecycleBins(HWND owner);
};

class CJunkCleanerDlg : public CDialogBase {
 public:
  // `places`: null for the system's; otherwise kept by the caller while the dialog lives.
  explicit CJunkCleanerDlg(JunkPlaces* places = nullptr);

 protected:
  BOOL OnInit() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR* result) override;

 private:
  // "立即清理": the checked rows in order, the success message, the end of the dialog.
  void CleanNow();
  void CleanTemporaryFolders(JunkCleaner* cleaner);
  void CleanInternetCache(JunkCleaner* cleaner);
  // Each place named above, asked once per cleaning: the only folders the cleaner empties.
  std::string user_temp_, system_temp_, internet_cache_;
  void SetStatus(int row, const char* status);
  HWND List() const;

  JunkPlaces system_places_;  // used when the caller gives none
  JunkPlaces* places_;        // where the rows clean
};

}  // namespace sorvik
