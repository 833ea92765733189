#include "platform/progress.h"

namespace sorvik {

void RecordingProgressSink::OnProgressText(uintptr_t wparam, bool was_sent) {
  texts.emplace_back(ProgressTextOf(wparam));
  sent.push_back(was_sent);
  FreeProgressText(wparam);
}

}  // namespace sorvik
