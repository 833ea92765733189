// The removal list, ".\NIndex\remove.dat": entries the user deleted from a result list since the
// last rebuild. A sequence of u32 values appended at the end: a value with bit 31 clear is one
// entry id; a value with bit 31 set is a folder's id (low 31 bits) followed by the number of
// entries that were below it.
#pragma once

#include <cstdint>
#include <string>

namespace sorvik {

class EntrySet;
class WinFile;

constexpr uint32_t kRemovedFolderFlag = 0x80000000u;
constexpr char kRemovalFileName[] = "remove.dat";

// Appends one value at the end of the file at `path`, creating it when missing.
bool AppendRemoval(const std::string& path, uint32_t value);

// Clears every entry the file at `path` names from `set`: single ids, and for a folder the folder
// and the entries below it. A missing file removes nothing; a trailing partial value, a folder
// flag without its count, and ids outside the set are ignored.
void ApplyRemovals(const std::string& path, EntrySet* set);
// The same for the list open as `file` (read from its start; null: no list).
void ApplyRemovals(WinFile* file, EntrySet* set);

}  // namespace sorvik
