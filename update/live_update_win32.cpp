#include <windows.h>

#include <algorithm>

#include "platform/find.h"
#include "platform/fs.h"
#include "update/live_update.h"

namespace sorvik {
namespace {

constexpr char kBackupSuffix[] = ".sorvik-old";  // a replaced file until every move succeeded
constexpr int kMaxDepth = 32;                    // folders below a tree's root
constexpr uint32_t kReparsePoint = 0x400;        // FILE_ATTRIBUTE_REPARSE_POINT: not followed
constexpr uint32_t kFolder = 0x10;               // FILE_ATTRIBUTE_DIRECTORY

void ListTree(const std::string& from, const std::string& to, int depth,
              std::vector<StagedMove>* moves) {
  if (depth > kMaxDepth) return;
  FindRecord record;
  const intptr_t find = FindFirstEntry(from + "\\*", &record);
  if (find == kInvalidFind) return;
  do {
    const std::string name = record.name;
    if (name == "." || name == ".." || (record.attributes & kReparsePoint) != 0) continue;
    if ((record.attributes & kFolder) != 0) {
      ListTree(from + "\\" + name, to + "\\" + name, depth + 1, moves);
    } else {
      moves->push_back(StagedMove{from + "\\" + name, to + "\\" + name});
    }
  } while (FindNextEntry(find, &record));
  FindCloseEntry(find);
}

// Creates the folders above `path` that do not exist yet.
bool CreateParents(const std::string& path) {
  for (size_t slash = path.find('\\', 3); slash != std::string::npos;
       slash = path.find('\\', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!IsFolder(folder) && !CreateFolder(folder)) return false;
  }
  return true;
}

bool Move(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
         FALSE;
}

// What one move changed, so that it can be undone.
struct DoneMove {
  const StagedMove* move;
  bool backed_up;  // the old file waits at `to` + kBackupSuffix
  bool placed;     // the new file is at `to`
};

bool PlaceOne(const StagedMove& move, DoneMove* done) {
  const std::string backup = move.to + kBackupSuffix;
  if (PathExists(move.to)) {
    RemoveFile(backup);
    if (!Move(move.to, backup)) return false;
    done->backed_up = true;
  }
  done->placed = CreateParents(move.to) && Move(move.from, move.to);
  return done->placed;
}

void Undo(const std::vector<DoneMove>& done) {
  for (auto it = done.rbegin(); it != done.rend(); ++it) {
    if (it->placed) RemoveFile(it->move->to);
    if (it->backed_up) Move(it->move->to + kBackupSuffix, it->move->to);
  }
}

}  // namespace

std::vector<StagedMove> ListStagedMoves(const std::string& staging, const std::string& program,
                                        const std::string& system) {
  std::vector<StagedMove> moves;
  ListTree(staging + "\\app", program, 0, &moves);
  ListTree(staging + "\\sys", system, 0, &moves);
  std::sort(moves.begin(), moves.end(),
            [](const StagedMove& a, const StagedMove& b) { return a.from < b.from; });
  return moves;
}

bool ApplyStagedUpdate(const std::string& staging, const std::string& program,
                       const std::string& system) {
  const std::vector<StagedMove> moves = ListStagedMoves(staging, program, system);
  std::vector<DoneMove> done;
  done.reserve(moves.size());
  bool ok = true;
  for (const StagedMove& move : moves) {
    done.push_back(DoneMove{&move, false, false});
    if (!PlaceOne(move, &done.back())) {
      ok = false;
      break;
    }
  }
  if (ok) {
    for (const DoneMove& move : done) {
      if (move.backed_up) RemoveFile(move.move->to + kBackupSuffix);
    }
  } else {
    Undo(done);
  }
  DeleteFolderTree(staging);
  return ok;
}

bool ReadRegistration(const std::string& path, std::string* program,
                      std::vector<std::string>* files) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string text(64 * 1024, '\0');  // far more than any list of paths the program writes
  DWORD got = 0;
  const BOOL read = ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(file);
  if (!read) return false;
  text.resize(got);
  files->clear();
  program->clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (start == 0) {
      *program = line;
    } else if (!line.empty()) {
      files->push_back(line);
    }
    start = end + 1;
  }
  return true;
}

}  // namespace sorvik
