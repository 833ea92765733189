#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "index/name_index_format.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/posix/native_path.h"

namespace sorvik {
namespace fuzz {
namespace {

constexpr size_t kSeparatorBytes = sizeof kPartSeparator - 1;

std::string MakeTempDir() {
  std::string base = "/dev/shm";
  if (::access(base.c_str(), W_OK) != 0) {
    const char* tmp = std::getenv("TMPDIR");
    base = tmp != nullptr ? tmp : "/tmp";
  }
  std::string pattern = base + "/sorvik-fuzz-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr) std::abort();
  return buffer.data();
}

std::string g_temp_root;  // removed at exit

void RemoveTempRoot() {
  if (!g_temp_root.empty()) DeleteFolderTree(g_temp_root);
}

// Sets the last-write time of a program path (seconds since 1970).
void SetTime(const std::string& path, int64_t seconds) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0);
}

}  // namespace

std::string WithoutZeros(std::string text) {
  for (char& c : text) {
    if (c == '\0') c = ' ';
  }
  return text;
}

std::vector<std::string> CutInput(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::string> parts(count);
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  for (size_t i = 0; i + 1 < count; ++i) {
    size_t end = input.find(kPartSeparator, at);
    if (end == std::string::npos) {
      parts[i] = input.substr(at);
      return parts;
    }
    parts[i] = input.substr(at, end - at);
    at = end + kSeparatorBytes;
  }
  if (count > 0) parts[count - 1] = input.substr(at);
  return parts;
}

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) joined += kPartSeparator;
    joined += parts[i];
  }
  return joined;
}

ScratchFolder& ScratchFolder::Get() {
  static ScratchFolder* folder = new ScratchFolder();
  return *folder;
}

ScratchFolder::ScratchFolder() {
  g_temp_root = MakeTempDir();
  std::atexit(RemoveTempRoot);
  native_ = g_temp_root + "/work";
  tree_ = g_temp_root + "/tree";
  ::mkdir(native_.c_str(), 0755);
  ::mkdir(tree_.c_str(), 0755);
  MapDrive('H', native_);
  MapDrive('G', tree_);
  MakeTree(TreeDrive());
}

std::string ScratchFolder::Fresh() {
  DeleteFolderTree(native_);
  ::mkdir(native_.c_str(), 0755);
  return "H:";
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
  if (!file || !file->SetSize(0)) return false;
  const uint32_t size = static_cast<uint32_t>(bytes.size());
  return size == 0 || file->WriteAt(0, bytes.data(), size) == size;
}

std::string ReadFileBytes(const std::string& path) {
  std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenExisting);
  if (!file) return std::string();
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  uint32_t got =
      bytes.empty() ? 0 : file->ReadAt(0, &bytes[0], static_cast<uint32_t>(bytes.size()));
  bytes.resize(got);
  return bytes;
}

std::string UnpackMatrix(const std::string& packed) {
  if (packed.empty() || packed[0] != 'S') {
    return packed.empty() || packed[0] != 'R' ? packed : packed.substr(1);
  }
  std::string matrix(names::kKeyBlocksOffset, '\0');
  FieldReader reader(packed);
  reader.U8();
  for (uint32_t i = 0; i < names::kHeaderBytes; ++i) matrix[i] = static_cast<char>(reader.U8());
  const uint16_t count = reader.U16();
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t key = reader.U16();
    for (uint32_t b = 0; b < names::kBitmapBytes; ++b) {
      matrix[names::kBitmapsOffset + key * names::kBitmapBytes + b] =
          static_cast<char>(reader.U8());
    }
  }
  return matrix + reader.Rest();
}

std::string PackMatrix(const std::string& matrix) {
  std::string packed = "S" + matrix.substr(0, names::kHeaderBytes);
  packed.resize(1 + names::kHeaderBytes, '\0');
  std::string pairs;
  uint16_t count = 0;
  for (uint32_t key = 0; key < names::kKeyCount; ++key) {
    const size_t at = names::kBitmapsOffset + size_t{key} * names::kBitmapBytes;
    if (at + names::kBitmapBytes > matrix.size()) break;
    std::string bits = matrix.substr(at, names::kBitmapBytes);
    if (bits == std::string(names::kBitmapBytes, '\0')) continue;
    pairs += static_cast<char>(key & 0xFF);
    pairs += static_cast<char>(key >> 8);
    pairs += bits;
    ++count;
  }
  packed += static_cast<char>(count & 0xFF);
  packed += static_cast<char>(count >> 8);
  packed += pairs;
  if (matrix.size() > names::kKeyBlocksOffset) packed += matrix.substr(names::kKeyBlocksOffset);
  return packed;
}

const std::vector<std::string>& TreeNames() {
  // GBK: \xB1\xA8\xB8\xE6 "report", \xD2\xF4\xC0\xD6 "music", \xCD\xBC\xC6\xAC "picture".
  static const std::vector<std::string> names = {
      "docs\\",
      "docs\\report_2008.doc",
      "docs\\\xB1\xA8\xB8\xE6"
      "2008.pdf",
      "docs\\sub\\",
      "docs\\sub\\notes.txt",
      "\xD2\xF4\xC0\xD6\\",
      "\xD2\xF4\xC0\xD6\\song.mp3",
      "\xD2\xF4\xC0\xD6\\a\xD2\xF4"
      "b.wma",
      "pictures\\",
      "pictures\\\xCD\xBC\xC6\xAC.jpg",
      "pictures\\[a]{b}_c.png",
      ".hidden.txt",
      "setup.exe",
      "a",
      "Report_2008.xls",
      std::string(150, 'x') + "report.txt",
  };
  return names;
}

void MakeTree(const std::string& root) {
  int64_t seconds = 1205539200;  // 2008-03-15, then about a month apart
  for (const std::string& name : TreeNames()) {
    const std::string path = root + "\\" + name;
    if (name.back() == '\\') {
      CreateFolder(path.substr(0, path.size() - 1));
    } else {
      OpenWinFile(path, kOpenAlways);
      SetTime(path, seconds);
    }
    seconds += 40 * 86400;
  }
}

uint8_t FieldReader::U8() {
  return at_ < bytes_.size() ? static_cast<uint8_t>(bytes_[at_++]) : (at_++, 0);
}

uint16_t FieldReader::U16() {
  uint16_t low = U8();
  return static_cast<uint16_t>(low | (U8() << 8));
}

uint32_t FieldReader::U32() {
  uint32_t low = U16();
  return low | (static_cast<uint32_t>(U16()) << 16);
}

std::string FieldReader::Rest() { return at_ < bytes_.size() ? bytes_.substr(at_) : std::string(); }

}  // namespace fuzz
}  // namespace sorvik
