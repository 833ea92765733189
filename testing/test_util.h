// Helpers shared by the tests: temporary folders and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {
namespace testing {

// A fresh empty folder that is deleted with everything in it when the object goes away.
// Path() is in the program's path form (on POSIX a plain absolute path works as one).
#ifdef _WIN32
constexpr char kSep[] = "\\";
#else
constexpr char kSep[] = "/";
#endif

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }
  std::string Join(const std::string& name) const;  // Path() + separator + name

 private:
  std::string path_;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

}  // namespace testing
}  // namespace sorvik
