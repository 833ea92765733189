#include "index/initials_reader.h"

#include "index/initials_format.h"
#include "index/name_index_format.h"
#include "platform/fs.h"

namespace sorvik {

bool InitialsReader::Open(const std::string& folder, uint32_t names) {
  Close();
  problem_.clear();
  const std::string base = folder + "\\";
  const std::string matrix = base + initials::kMatrixFile;
  const std::string postings = base + initials::kPostingFile;
  if (!PathExists(matrix) || !PathExists(postings) || !matrix_.Open(matrix, postings) ||
      matrix_.Version() != names::kFormatVersion || matrix_.NameCount() != names ||
      !matrix_.Usable(&problem_)) {
    Close();
    return false;
  }
  open_ = true;
  return true;
}

void InitialsReader::Close() {
  matrix_.Close();
  open_ = false;
}

}  // namespace sorvik
