#include "testing/test_util.h"

#include <atomic>
#include <chrono>
#include <filesystem>

#include "platform/file.h"
#include "platform/fs.h"

namespace sorvik {
namespace testing {
TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::string name =
      "sorvik-test-" + std::to_string(stamp % 1000000000) + "-" + std::to_string(counter++);
  std::filesystem::path folder = base / name;
  std::filesystem::create_directories(folder);
  path_ = folder.string();
  while (path_.size() > 1 && (path_.back() == '/' || path_.back() == '\\')) path_.pop_back();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

std::string TempFolder::Join(const std::string& name) const { return path_ + kSep + name; }

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  auto file = OpenWinFile(path, kOpenExisting);
  if (!file) return bytes;
  bytes.resize(static_cast<size_t>(file->Size()));
  if (!bytes.empty()) {
    bytes.resize(file->ReadAt(0, bytes.data(), static_cast<uint32_t>(bytes.size())));
  }
  return bytes;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  RemoveFile(path);
  auto file = OpenWinFile(path, kOpenAlways);
  if (file && !bytes.empty()) file->WriteAt(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string ReadText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace testing
}  // namespace sorvik
