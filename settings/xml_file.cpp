#include "settings/xml_file.h"

#include <mutex>
#include <vector>

#include "platform/file.h"
#include "platform/file_faults.h"
#include "platform/find.h"
#include "platform/fs.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

// Element text such as a folder "D:\My  Music" must come back byte for byte; the library
// condenses runs of white space unless told otherwise. The switch is process-wide.
void KeepWhiteSpace() {
  static std::once_flag once;
  std::call_once(once, [] { TiXmlBase::SetCondenseWhiteSpace(false); });
}

// CR LF and lone CR become LF, as the library's own file loader does.
std::string NormalizeLineEnds(const char* data, size_t size) {
  std::string text;
  text.reserve(size);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != '\r') {
      text += data[i];
      continue;
    }
    text += '\n';
    if (i + 1 < size && data[i + 1] == '\n') ++i;
  }
  return text;
}

std::string Escaped(const char* text) {
  TIXML_STRING escaped;
  TiXmlBase::EncodeString(text, &escaped);
  return escaped;
}

// The library prints the texts of a declaration as they are. Read from a damaged file (through
// an entity, or inside the other kind of quote) they may hold a quote or markup, and printed raw
// they would end the declaration early: the saved file would not load again and every setting
// or favourite in it would be lost. Escaped, they read back as the same texts.
void EscapeDeclarations(TiXmlNode* parent) {
  for (TiXmlNode* node = parent->FirstChild(); node != nullptr; node = node->NextSibling()) {
    TiXmlDeclaration* declaration = node->ToDeclaration();
    if (declaration == nullptr) {
      EscapeDeclarations(node);
      continue;
    }
    *declaration =
        TiXmlDeclaration(Escaped(declaration->Version()), Escaped(declaration->Encoding()),
                         Escaped(declaration->Standalone()));
  }
}

// The text a save writes: the document printed from a copy with escaped declarations. Empty
// when even that would not load again; a file is never replaced by one that cannot be read.
std::string PrintLoadably(const TiXmlDocument& doc) {
  TiXmlDocument copy(doc);
  EscapeDeclarations(&copy);
  TiXmlPrinter printer;
  printer.SetIndent("    ");
  printer.SetLineBreak("\r\n");
  copy.Accept(&printer);
  std::string text(printer.CStr(), printer.Size());
  TiXmlDocument check;
  return ParseXmlText(NormalizeLineEnds(text.data(), text.size()), &check) ? text : std::string();
}

// True only when every byte reached the file, the flush when it is closed included.
bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  const uint32_t failed_writes = FailedFileWrites();
  {
    std::unique_ptr<WinFile> file = OpenWinFile(path, kOpenAlways);
    if (!file || !file->SetSize(0)) return false;
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    if (size != 0 && file->WriteAt(0, bytes.data(), size) != size) return false;
  }
  return FailedFileWrites() == failed_writes;
}

// Where the markup that starts at `at` (a "<") ends: after "-->" for a comment, "]]>" for a
// character section, else after the first ">" outside quotes; the text's end when it does not.
size_t MarkupEnd(const std::string& text, size_t at) {
  const char* close = text.compare(at, 4, "<!--") == 0        ? "-->"
                      : text.compare(at, 9, "<![CDATA[") == 0 ? "]]>"
                                                              : nullptr;
  if (close != nullptr) {
    const size_t end = text.find(close, at);
    return end == std::string::npos ? text.size() : end + 3;
  }
  char quote = 0;
  for (size_t i = at + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return i + 1;
    }
  }
  return text.size();
}

// Whether no element in `text` is nested deeper than `limit`, counted without parsing: every
// start tag that is not self-closing opens a level, every end tag closes one. Damaged text may
// count deeper than it parses, never shallower.
bool DepthWithin(const std::string& text, int limit) {
  int depth = 0;
  for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at)) {
    const size_t end = MarkupEnd(text, at);
    const char kind = at + 1 < text.size() ? text[at + 1] : 0;
    if (kind == '/') {
      if (depth > 0) --depth;
    } else if (kind != '!' && kind != '?' && text[end - 1] == '>' && text[end - 2] != '/') {
      if (++depth > limit) return false;
    } else if (kind != '!' && kind != '?' && text[end - 1] != '>' && depth + 1 > limit) {
      return false;  // an unterminated start tag still opens a level
    }
    at = end;
  }
  return true;
}

// Text from a file: the byte-order mark skipped, line ends made LF.
std::string FileText(const char* data, size_t size) {
  static const char kBom[] = "\xEF\xBB\xBF";
  if (size >= 3 && std::string(data, 3) == kBom) {
    data += 3;
    size -= 3;
  }
  return NormalizeLineEnds(data, size);
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether `text` holds nothing but white space from `at` on.
bool BlankFrom(const std::string& text, size_t at) {
  for (; at < text.size(); ++at) {
    if (!IsBlank(text[at])) return false;
  }
  return true;
}

// Whether no node below `parent` is one the parser could not place: "<" followed by something
// that starts no tag ("< x", "<<a>", "</b>" where no element is open) is kept as an unknown
// node, and the markup it swallowed up to the next ">" is gone without an error.
bool OnlyKnownNodes(const TiXmlNode& parent) {
  for (const TiXmlNode* node = parent.FirstChild(); node != nullptr; node = node->NextSibling()) {
    if (node->ToUnknown() != nullptr || !OnlyKnownNodes(*node)) return false;
  }
  return true;
}

// Whether the document holds one element only: a second one beside the root comes from a root
// closed early by damage ("<favorite/>"), and what follows it would be read as something else.
bool OneTopElement(const TiXmlDocument& doc) {
  const TiXmlElement* root = doc.RootElement();
  return root != nullptr && root->NextSiblingElement() == nullptr;
}

}  // namespace

bool ParseXmlText(const std::string& text, TiXmlDocument* doc) {
  KeepWhiteSpace();
  doc->Clear();
  if (!DepthWithin(text, kMaxXmlDepth)) return false;
  const char* end = doc->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  if (doc->Error() || doc->RootElement() == nullptr) return false;
  // The parser stops without a word at the first byte it cannot place outside the root (junk
  // before or after it, "<>xml"), and at a NUL as at the end (it then answers null): what it
  // skipped may hold what the file was written for.
  if (end == nullptr ? text.find('\0') != std::string::npos
                     : !BlankFrom(text, static_cast<size_t>(end - text.c_str()))) {
    return false;
  }
  return OnlyKnownNodes(*doc) && OneTopElement(*doc);
}

XmlRead ReadXmlFile(const std::string& path, TiXmlDocument* doc) {
  uint64_t size = 0;
  if (!FileSizeOf(path, &size) || size == 0) return XmlRead::kMissing;
  MappedFile mapped;
  if (size > kMaxXmlFileBytes || !mapped.Map(path, 0)) return XmlRead::kUnreadable;
  const std::string text = FileText(reinterpret_cast<const char*>(mapped.Data()), mapped.Size());
  if (ParseXmlText(text, doc)) return XmlRead::kLoaded;
  // Only white space holds nothing to keep; anything else that gave no root element, or left
  // bytes unread, may be a file damaged in front of its contents.
  return BlankFrom(text, 0) ? XmlRead::kMissing : XmlRead::kUnreadable;
}

bool LoadXmlFile(const std::string& path, TiXmlDocument* doc) {
  return ReadXmlFile(path, doc) == XmlRead::kLoaded;
}

bool KeepBadFile(const std::string& path, std::string* kept) {
  for (int n = 1; n <= 100; ++n) {
    const std::string name = path + ".bad" + (n == 1 ? std::string() : std::to_string(n));
    if (PathExists(name)) continue;
    if (!RenamePath(path, name)) return false;
    *kept = name;
    return true;
  }
  return false;
}

std::string XmlTempPath(const std::string& path) {
  return path + "." + std::to_string(CurrentProcessId()) + ".tmp";
}

void RemoveStaleXmlTemps(const std::string& path) {
  const std::string own = XmlTempPath(path);
  const size_t slash = GbkLastSlash(path);
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = path.substr(folder.size());
  std::vector<std::string> stale;
  FindRecord record;
  const intptr_t find = FindFirstEntry(path + ".*tmp", &record);
  for (bool more = find != kInvalidFind; more; more = FindNextEntry(find, &record)) {
    const std::string name = record.name;
    const bool temp = name == base + ".tmp" || (name.size() > base.size() + 5 &&
                                                name.compare(0, base.size() + 1, base + ".") == 0 &&
                                                name.compare(name.size() - 4, 4, ".tmp") == 0);
    if (temp && folder + name != own) stale.push_back(folder + name);
  }
  if (find != kInvalidFind) FindCloseEntry(find);
  for (const std::string& name : stale) RemoveFile(name);
}

bool SaveXmlFile(const TiXmlDocument& doc, const std::string& path, std::string* error) {
  std::string reason;
  const std::string text = PrintLoadably(doc);
  const std::string temp = XmlTempPath(path);
  if (text.empty()) {
    reason = "the document would not read back";
  } else if (!WriteWholeFile(temp, text)) {
    reason = "cannot write " + temp + " (read-only folder or full disk?)";
  } else if (!ReplacePath(temp, path)) {
    reason = "cannot replace " + path;
  }
  if (reason.empty()) return true;
  RemoveFile(temp);
  if (error != nullptr) *error = reason;
  return false;
}

}  // namespace sorvik
