// Read access to the initials index of an index folder (index/initials_format.h): its key
// matrix and posting lists through an IndexReader. Nothing is trusted: files that are missing,
// of another version or made for another number of names leave the initials index closed, and
// the search then scans the names instead.
#pragma once

#include <cstdint>
#include <string>

#include "index/index_reader.h"

namespace sorvik {

class InitialsReader {
 public:
  InitialsReader() = default;
  InitialsReader(const InitialsReader&) = delete;
  InitialsReader& operator=(const InitialsReader&) = delete;

  // Opens the files of `folder` (no trailing backslash) for an index of `names` names. False,
  // with nothing open, unless both exist, the matrix counts exactly `names` names and the two
  // files' frames fit each other (IndexReader::Usable; each key is checked when first read);
  // never creates or writes a file.
  bool Open(const std::string& folder, uint32_t names);
  void Close();
  bool IsOpen() const { return open_; }

  IndexReader* matrix() { return &matrix_; }
  // Why the last Open found the files there but not fitting each other; empty otherwise.
  const std::string& Problem() const { return problem_; }
  // The first key a read found at fault (IndexReader::Damage).
  const std::string& Damage() const { return matrix_.Damage(); }

 private:
  IndexReader matrix_;   // index.pym and index.pyd
  bool open_ = false;    // both files were there and fit
  std::string problem_;  // what did not fit, when they were there
};

}  // namespace sorvik
