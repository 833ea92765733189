// Loading and saving the program's small XML files (settings, favourites) through the file seam.
// Text is GBK and passes through unchanged: documents are always parsed as legacy single-byte
// text, never as UTF-8, and white space inside element text is kept as written.
#pragma once

#include <tinyxml.h>

#include <string>

namespace sorvik {

// Files larger than this are not read: the program's own files stay far below it.
constexpr size_t kMaxXmlFileBytes = 16u << 20;

// Parses `text` into `doc` (replacing what it held). True when the text is well-formed and has a
// root element; otherwise false, and `doc` must be refilled by the caller.
bool ParseXmlText(const std::string& text, TiXmlDocument* doc);

// Reads the file at `path` (program path form) into `doc`. False when the file is missing,
// empty, unreadable, too large, not well-formed or without a root element. A leading UTF-8
// byte-order mark is skipped; line ends are read as "\n".
bool LoadXmlFile(const std::string& path, TiXmlDocument* doc);

// Prints `doc` (four-space indentation, CR LF line ends) into a temporary file beside `path`,
// then replaces `path` with it. On failure `path` keeps its old contents and no temporary file
// is left behind; so it does when the printed text would not load again.
bool SaveXmlFile(const TiXmlDocument& doc, const std::string& path);

}  // namespace sorvik
