// A progress sink that records every text in order, for tests of the build and its dialog.
#pragma once

#include <string>
#include <vector>

#include "platform/progress.h"

namespace sorvik {

class RecordingProgressSink : public ProgressSink {
 public:
  void OnProgressText(uintptr_t wparam, bool was_sent) override {
    texts.emplace_back(ProgressTextOf(wparam));
    sent.push_back(was_sent);
    FreeProgressText(wparam);
  }
  void OnIndexDone(const char* text) override { done.emplace_back(text); }

  std::vector<std::string> texts;  // each text received, in order
  std::vector<bool> sent;          // for each text: true when sent, false when posted
  std::vector<std::string> done;   // the texts of the 1124 messages, in order
};

}  // namespace sorvik
