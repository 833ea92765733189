// What the shell knows about a file beyond the list's columns: its detail columns read through
// the shell's automation object, and its 96 x 96 thumbnail.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "query/entry_details.h"

namespace sorvik {

constexpr int kShellDetailColumns = 50;  // detail columns 0..49 are read
constexpr int kThumbnailSize = 96;       // thumbnails are 96 x 96 pixels

// Title -> value of the shell's detail columns of the entry, only pairs where both are
// non-empty. Empty when the shell cannot open the folder or the entry. REQUIRES: COM is
// initialised on this thread (else the map is empty).
std::map<std::string, std::string> ShellDetailsOf(const EntryDetails& details);

// A 96 x 96, 24-bit bitmap of the entry: the thumbnail of its folder's image extractor, or else
// its large shell icon, drawn on white, centred across and standing on the bottom edge (the
// list puts the label right below the bitmap). Null when the shell gives neither. The caller
// deletes the bitmap.
HBITMAP MakeThumbnail(const EntryDetails& details);

}  // namespace sorvik
