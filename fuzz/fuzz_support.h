// What the fuzz targets share: a scratch folder per run, the cutting of one fuzzer input into
// the files of an index folder, and the tree of test names that the seed index was built from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvik {
namespace fuzz {

// Separates the parts of one input (the files of an index folder, a request...).
constexpr char kPartSeparator[] = "-=#=-";

// `data` cut at the separator into exactly `count` parts: missing parts are empty, and the last
// part keeps everything after the (count - 1)-th separator, separators included.
std::vector<std::string> CutInput(const uint8_t* data, size_t size, size_t count);
// The inverse, for the seed writer.
std::string JoinParts(const std::vector<std::string>& parts);

// `text` with every zero byte made a blank: a text as the program's callers pass it, a C string.
std::string WithoutZeros(std::string text);

// The process's scratch folder as a program path ("H:"), on a RAM disk when there is one.
// Emptied by Fresh() before each run and deleted when the process ends.
class ScratchFolder {
 public:
  static ScratchFolder& Get();
  // Empties the folder; returns its program path without a trailing backslash.
  std::string Fresh();
  // The drive that holds the names of the seed tree (TreeNames), as "G:".
  std::string TreeDrive() const { return "G:"; }
  // The POSIX directory behind the scratch drive.
  const std::string& Native() const { return native_; }

 private:
  ScratchFolder();
  std::string native_;  // POSIX directory of the scratch drive
  std::string tree_;    // POSIX directory of the tree drive
};

// Writes `bytes` to the program path `path`, replacing the file.
bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file at the program path `path`; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// index.mtr is over 1 MiB before its first key block, far more than a fuzzer input holds, so
// the input carries it packed: "R" + the file as it is, or "S" + the 8-byte header, a u16
// count, that many (u16 key, 16 bitmap bytes) pairs, and the key blocks.
std::string UnpackMatrix(const std::string& packed);
// The packed "S" form of a real index.mtr.
std::string PackMatrix(const std::string& matrix);

// The seed tree: relative paths (GBK, backslashes; a trailing backslash marks a folder) made on
// the tree drive, from which the seed index is built.
const std::vector<std::string>& TreeNames();
// Creates the seed tree under the drive of `root` ("G:").
void MakeTree(const std::string& root);

// Little-endian reading of fixed fields from the front of a part; missing bytes read as 0.
class FieldReader {
 public:
  explicit FieldReader(const std::string& bytes) : bytes_(bytes) {}
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  std::string Rest();  // everything not read yet

 private:
  const std::string& bytes_;  // the part read
  size_t at_ = 0;             // next byte
};

}  // namespace fuzz
}  // namespace sorvik
