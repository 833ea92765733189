// The file lists that the result list hands to other programs: the clipboard's (wide paths,
// sized to fit) and the drag's (narrow paths in a block of fixed size), both in the file-drop
// layout (a DROPFILES header, then the NUL-terminated paths, then a closing NUL).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace sorvik {

constexpr size_t kDropFilesHeaderSize = 20;  // sizeof(DROPFILES) on 32-bit Windows
constexpr size_t kDragPathBytes = 204800;    // room for the paths in the drag block
constexpr size_t kDragBlockSize = kDropFilesHeaderSize + kDragPathBytes + 1;
constexpr char kPreferredDropEffect[] = "Preferred DropEffect";

// The paths, in order, whose narrow forms with their NULs fit together into the drag block's
// kDragPathBytes; a path that does not fit any more is left out (a later, shorter one may still
// fit) and counted in `*left_out`.
std::vector<std::string> PathsThatFit(const std::vector<std::string>& paths, size_t* left_out);

// The drag block: kDragBlockSize zeroed bytes with the header (offset 20, narrow paths) and the
// paths. REQUIRES: `paths` fit (PathsThatFit). Null when memory runs out.
HGLOBAL MakeDragBlock(const std::vector<std::string>& paths);

// The clipboard's file list: 20 + 2n + 8 zeroed bytes (n: the paths' narrow bytes with their
// NULs) with the header (offset 20, wide paths) and the paths in UTF-16. Null when out of memory.
HGLOBAL MakeClipboardFileList(const std::vector<std::string>& paths);

// Puts `paths` on the clipboard as files to copy: the file list under the file-drop format and
// 1 (copy) under "Preferred DropEffect". False, with the clipboard untouched, when it cannot be
// opened; false for no paths.
bool PutFilesOnClipboard(const std::vector<std::string>& paths);

}  // namespace sorvik
