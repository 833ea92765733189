// Loading and saving the program's small XML files (settings, favourites) through the file seam.
// Text is GBK and passes through unchanged: documents are always parsed as legacy single-byte
// text, never as UTF-8, and white space inside element text is kept as written.
#pragma once

#include <tinyxml.h>

#include <string>

namespace sorvik {

// Files larger than this are not read: the program's own files stay far below it.
constexpr size_t kMaxXmlFileBytes = 16u << 20;

// Elements nested deeper than this are refused before parsing: the parser descends once per
// level on the stack, and the program's own files are three or four levels deep.
constexpr int kMaxXmlDepth = 256;

// Parses `text` into `doc` (replacing what it held). True when the text is well-formed, nested
// no deeper than kMaxXmlDepth, has a root element and nothing but white space is left after
// the last node the parser took; otherwise false, and `doc` must be refilled by the caller.
bool ParseXmlText(const std::string& text, TiXmlDocument* doc);

enum class XmlRead {
  kLoaded,      // `doc` holds the file
  kMissing,     // no file, or one of white space only: nothing to lose
  kUnreadable,  // a file that holds something but cannot be read: never to be overwritten
};

// Reads the file at `path` (program path form) into `doc`. Unreadable: a file that cannot be
// opened, is too large, not well-formed, nested too deeply, without a root element or with
// bytes other than white space that the parser left (junk before or after the root, a NUL). A
// leading UTF-8 byte-order mark is skipped; line ends are read as "\n".
XmlRead ReadXmlFile(const std::string& path, TiXmlDocument* doc);
// ReadXmlFile(...) == XmlRead::kLoaded.
bool LoadXmlFile(const std::string& path, TiXmlDocument* doc);

// Renames an unreadable file at `path` to `path` + ".bad" (".bad2", ".bad3"... when that exists)
// so that the user keeps it; `kept` gets the new name. False when it could not be renamed.
bool KeepBadFile(const std::string& path, std::string* kept);

// The temporary file a save of `path` writes first: `path` + "." + the process id + ".tmp", so
// that two processes saving one file never write into each other's text.
std::string XmlTempPath(const std::string& path);
// Deletes the temporary files of saves of `path` by other processes ("Favorite.xml.<id>.tmp",
// and "Favorite.xml.tmp" of earlier versions). REQUIRES: the caller holds a lock that every
// save of `path` holds, so that no other save is under way and what is left is stale.
void RemoveStaleXmlTemps(const std::string& path);

// Prints `doc` (four-space indentation, CR LF line ends) into XmlTempPath(`path`), then
// replaces `path` with it. On failure `path` keeps its old contents and no temporary file
// is left behind; so it does when the printed text would not load again. `error` (optional)
// gets the reason of a failure.
bool SaveXmlFile(const TiXmlDocument& doc, const std::string& path, std::string* error = nullptr);

}  // namespace sorvik
