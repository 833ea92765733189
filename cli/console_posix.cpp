#include <fstream>
#include <mutex>

#include "cli/console.h"
#include "platform/charset.h"
#include "platform/fs.h"
#include "platform/progress.h"

namespace sorvik {
namespace {

// Prints each progress text on one line, with its line breaks folded to spaces.
class PrintingSink : public ProgressSink {
 public:
  explicit PrintingSink(FILE* out) : out_(out) {}
  void OnProgressText(uintptr_t wparam, bool) override {
    std::string text = GbkToUtf8(ProgressTextOf(wparam));
    FreeProgressText(wparam);
    for (char& c : text) {
      if (c == '\r' || c == '\n') c = ' ';
    }
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
  }

 private:
  FILE* out_;
  std::mutex lock_;
};

}  // namespace

std::string FromConsole(const std::string& text) { return Utf8ToGbk(text); }

std::string ToConsole(const std::string& text) { return GbkToUtf8(text); }

bool SetUpDrives(const std::vector<std::pair<char, std::string>>& drives, const std::string& file,
                 std::string* error) {
  std::ofstream saved(file, std::ios::trunc);
  for (const auto& drive : drives) {
    if (!IsFolder(drive.second) && !IsFolder(Utf8ToGbk(drive.second))) {
      *error = "--drive " + std::string(1, drive.first) + ": " + drive.second + " is no folder";
      return false;
    }
    MapDrive(drive.first, drive.second);
    saved << drive.first << ":=" << drive.second << "\n";
  }
  return true;
}

void LoadDrives(const std::string& file) {
  std::ifstream saved(file);
  std::string line;
  while (std::getline(saved, line)) {
    if (line.size() > 3 && line[1] == ':' && line[2] == '=') MapDrive(line[0], line.substr(3));
  }
}

struct ConsoleProgress::State {
  explicit State(FILE* out) : sink(out) {}
  PrintingSink sink;
};

ConsoleProgress::ConsoleProgress(FILE* out) : state_(new State(out)) {
  InstallProgressSink(&state_->sink);
}

ConsoleProgress::~ConsoleProgress() {
  InstallProgressSink(nullptr);
  delete state_;
}

}  // namespace sorvik
