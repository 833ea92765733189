#include "index/snapshot_format.h"

#include <cstring>

namespace sorvik {

using namespace snapshot;

namespace {

// Extension lists in the order they are tried, with their category.
struct ExtensionList {
  const char* extensions;  // "|EXT|EXT|...|"
  int category;            // bitmap and month list of a hit
};
constexpr ExtensionList kExtensionLists[] = {
    {"|PDF|DOC|XLS|PPT|WPS|EIO|VSD|DOCX|XLSX|PPTX|DOCM|XLSM|PPTM|", kDocuments},
    {"|JPG|JPEG|BMP|GIF|PNG|TIF|TIFF|JFIF|PSD|AI|CDR|ICO|", kPictures},
    {"|WMA|WMV|AVI|MP4|MP3|RM|RMVB|MPEG|MPG|3GP|FLV|ASF|", kAudioVideo},
    {"|EXE|MSI|", kApplications},
};

}  // namespace

void AppendHex(std::string* out, uint64_t value) {
  char digits[16];
  int n = 0;
  do {
    digits[n++] = "0123456789abcdef"[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n > 0) out->push_back(digits[--n]);
}

void AppendDecimal(std::string* out, uint64_t value) {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out->push_back(digits[--n]);
}

void AppendTimeText(std::string* out, const LocalTime& local, int current_year,
                    int64_t minute_seconds, int* code_year) {
  if (local.year > 1970 && local.year <= current_year && minute_seconds >= 0) {
    AppendHex(out, static_cast<uint64_t>(minute_seconds));
    *code_year = local.year;
    return;
  }
  // Out of range (or not convertible): the build year stands in, in decimal.
  AppendDecimal(out, static_cast<uint64_t>(current_year < 0 ? 0 : current_year));
  *code_year = current_year;
}

std::string TimeText(const LocalTime& local, int current_year, int* code_year) {
  std::string text;
  int64_t minute_seconds = -1;
  if (!LocalToUnixSeconds(local.year, local.month, local.day, local.hour, local.minute,
                          &minute_seconds)) {
    minute_seconds = -1;
  }
  AppendTimeText(&text, local, current_year, minute_seconds, code_year);
  return text;
}

bool SkipsResult(const FindRecord& record) {
  const char* name = record.name;
  return (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) ||
         (record.attributes & kAttributeTemporary) != 0;
}

int CategoryOfName(const char* name) {
  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr || dot == name) return -1;
  char extension[kFindNameSize + 2];
  size_t length = std::strlen(dot + 1);
  if (length > kFindNameSize - 1) return -1;
  extension[0] = '|';
  for (size_t i = 0; i < length; ++i) {
    char c = dot[1 + i];
    extension[1 + i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  extension[1 + length] = '|';
  extension[2 + length] = '\0';
  for (const ExtensionList& list : kExtensionLists) {
    if (std::strstr(list.extensions, extension) != nullptr) return list.category;
  }
  return -1;
}

}  // namespace sorvik
