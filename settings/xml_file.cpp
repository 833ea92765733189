#include "settings/xml_file.h"

#include <mutex>

#include "platform/file.h"
#include "platform/file_faults.h"
#include "platform/fs.h"

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

}  // namespace

bool ParseXmlText(const std::string& text, TiXmlDocument* doc) {
  KeepWhiteSpace();
  doc->Clear();
  doc->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  return !doc->Error() && doc->RootElement() != nullptr;
}

bool LoadXmlFile(const std::string& path, TiXmlDocument* doc) {
  MappedFile mapped;
  if (!mapped.Map(path, 0) || mapped.Size() == 0 || mapped.Size() > kMaxXmlFileBytes) {
    return false;
  }
  const char* data = reinterpret_cast<const char*>(mapped.Data());
  size_t size = mapped.Size();
  static const char kBom[] = "\xEF\xBB\xBF";
  if (size >= 3 && std::string(data, 3) == kBom) {
    data += 3;
    size -= 3;
  }
  return ParseXmlText(NormalizeLineEnds(data, size), doc);
}

bool SaveXmlFile(const TiXmlDocument& doc, const std::string& path) {
  const std::string text = PrintLoadably(doc);
  if (text.empty()) return false;
  const std::string temp = path + ".tmp";
  if (!WriteWholeFile(temp, text) || !ReplacePath(temp, path)) {
    RemoveFile(temp);
    return false;
  }
  return true;
}

}  // namespace sorvik
