// The tool windows the result list opens. The MD5 dialog and the picture viewer are plugged in
// here; until then both hooks are empty and the two actions show nothing.
#include "ui/result_actions.h"

namespace sorvik {

ResultToolHooks ToolWindowHooks() { return ResultToolHooks(); }

}  // namespace sorvik
