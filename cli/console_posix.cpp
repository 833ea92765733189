#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "cli/console.h"
#include "cli/progress_line.h"
#include "platform/charset.h"
#include "platform/fs.h"
#include "platform/progress.h"

namespace sorvik {
namespace {

// Shows each progress text on the progress line.
class PrintingSink : public ProgressSink {
 public:
  PrintingSink(FILE* out, uint32_t expected)
      : line_(out, IsTerminal(out), expected, kProgressRefreshMs) {}
  void OnProgressText(uintptr_t wparam, bool) override {
    std::string text = ProgressTextOf(wparam);
    FreeProgressText(wparam);
    line_.Show(text);
  }

 private:
  ProgressLine line_;
};

constexpr char kDriveMapEnd[] = "end:";  // the drive map's last line, before the drive count

bool IsDriveLine(const std::string& line) {
  return line.size() > 3 && line[1] == ':' && line[2] == '=';
}

// The drives of a whole map: drive lines of distinct letters A..Z, each ended by a line feed,
// then the end line with their number. False for anything else.
bool ParseDriveMap(const std::string& text, std::vector<std::pair<char, std::string>>* drives) {
  std::string letters;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;  // cut inside a line
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.compare(0, std::strlen(kDriveMapEnd), kDriveMapEnd) == 0) {
      return at == text.size() && !drives->empty() &&
             line.substr(std::strlen(kDriveMapEnd)) == std::to_string(drives->size());
    }
    if (!IsDriveLine(line) || line[0] < 'A' || line[0] > 'Z' ||
        letters.find(line[0]) != std::string::npos) {
      return false;
    }
    letters += line[0];
    drives->emplace_back(line[0], line.substr(3));
  }
  return false;  // no end line
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool FindUnrepresentable(const std::string& text, std::string* character) {
  for (size_t at = 0; at < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    length = std::min(length, text.size() - at);
    const std::string one = text.substr(at, length);
    if (lead >= 0x80 && GbkToUtf8(Utf8ToGbk(one)) != one) {
      *character = one;
      return true;
    }
    at += length;
  }
  return false;
}

void EnsureStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself: the ones below it are open by now.
    const int opened = ::open("/dev/null", O_RDONLY);
    if (opened != fd && opened >= 0) ::close(opened);
  }
}

std::string ShownPath(const std::string& path) {
  std::string native = GbkToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  if (!native.empty() && native[0] == '/') return native;
  if (native.compare(0, 2, "./") == 0) native.erase(0, 2);
  char* current = ::getcwd(nullptr, 0);
  if (current == nullptr) return native;
  const std::string folder = current;
  std::free(current);
  return (folder == "/" ? "" : folder) + "/" + native;
}

bool IsTerminal(FILE* file) { return ::isatty(::fileno(file)) != 0; }

std::string FromConsole(const std::string& text) { return Utf8ToGbk(text); }

std::string ToConsole(const std::string& text) { return GbkToUtf8(text); }

bool CheckDrives(std::vector<std::pair<char, std::string>>* drives, std::string* error) {
  std::string given;
  for (auto& drive : *drives) {
    const std::string letter = std::string(1, drive.first);
    if (given.find(drive.first) != std::string::npos) {
      *error = "--drive " + letter + ": is given twice";
      return false;
    }
    given += drive.first;
    if (!drive.second.empty() && drive.second[0] != '/') {
      char* current = ::getcwd(nullptr, 0);
      if (current != nullptr) drive.second = std::string(current) + "/" + drive.second;
      std::free(current);
    }
    if (drive.second.find('\n') != std::string::npos) {
      *error = "--drive " + letter + ": the folder's path holds a line feed, which the drive " +
               "map cannot keep";
      return false;
    }
    if (!IsFolder(drive.second) && !IsFolder(Utf8ToGbk(drive.second))) {
      *error = "--drive " + letter + ": " + drive.second + " is no folder";
      return false;
    }
  }
  return true;
}

void MapDrives(const std::vector<std::pair<char, std::string>>& drives) {
  for (const auto& drive : drives) MapDrive(drive.first, drive.second);
}

bool SaveDrives(const std::vector<std::pair<char, std::string>>& drives, const std::string& file) {
  const std::string temp = file + ".tmp";
  {
    std::ofstream saved(temp, std::ios::trunc);
    for (const auto& drive : drives) saved << drive.first << ":=" << drive.second << "\n";
    saved << kDriveMapEnd << drives.size() << "\n";
    saved.flush();
    if (!saved) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), file.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

void LoadDrives(const std::string& file) {
  std::ifstream saved(file);
  std::string line;
  while (std::getline(saved, line)) {
    if (IsDriveLine(line)) MapDrive(line[0], line.substr(3));
  }
}

bool LoadSavedDrives(const std::string& file, std::string* problem) {
  std::ifstream saved(file, std::ios::binary);
  if (!saved) {
    *problem = "no drives were saved here (" + file + " is missing)";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  std::vector<std::pair<char, std::string>> drives;
  if (!ParseDriveMap(text, &drives)) {
    // A map written before maps ended with their count reads as cut short too: --drive once
    // more writes it anew.
    *problem = file + (text.empty() ? " is empty" : " is damaged or cut short") +
               "; give the --drive options again";
    return false;
  }
  for (const auto& drive : drives) {
    struct stat st;
    if (::stat(drive.second.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      *problem = std::string("drive ") + drive.first + ": (" + drive.second + ") is gone";
      return false;
    }
  }
  MapDrives(drives);
  return true;
}

struct ConsoleProgress::State {
  State(FILE* out, uint32_t expected) : sink(out, expected) {}
  PrintingSink sink;
};

ConsoleProgress::ConsoleProgress(FILE* out, uint32_t expected) : state_(new State(out, expected)) {
  InstallProgressSink(&state_->sink);
}

ConsoleProgress::~ConsoleProgress() {
  InstallProgressSink(nullptr);
  delete state_;
}

}  // namespace sorvik
