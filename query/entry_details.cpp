#include "query/entry_details.h"

#include <algorithm>
#include <cstring>

#include "index/record_store.h"

namespace sorvik {

namespace {

std::string* FieldFor(RecordFields* fields, const char* key, uint32_t key_length) {
  if (key_length != 1) return nullptr;
  switch (key[0]) {
    case 'I':
      return &fields->name;
    case 'M':
      return &fields->modified;
    case 'D':
      return &fields->where;
    case 'S':
      return &fields->size;
    default:
      return nullptr;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ReadRecordFields(RecordStore* store, uint32_t id, RecordFields* fields) {
  const char* text = nullptr;
  uint32_t length = 0;
  if (!store->ReadText(id, &text, &length)) return false;
  uint32_t pos = 0;
  while (pos < length) {
    const char* line = text + pos;
    const void* feed = std::memchr(line, '\n', length - pos);
    const uint32_t line_length =
        feed ? static_cast<uint32_t>(static_cast<const char*>(feed) - line) : length - pos;
    if (line_length == 0) break;
    const void* colon = std::memchr(line, ':', line_length);
    if (colon != nullptr && colon != line) {
      const uint32_t key_length = static_cast<uint32_t>(static_cast<const char*>(colon) - line);
      std::string* field = FieldFor(fields, line, key_length);
      if (field) field->assign(line + key_length + 1, line_length - key_length - 1);
    }
    pos += line_length + 1;
  }
  return true;
}

uint32_t ParseParentId(const std::string& text) {
  if (text.empty() || text.size() > 10) return 0;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(value);
}

std::string ParentPathOf(RecordStore* store, const std::string& where) {
  RecordFields parent;
  const uint32_t parent_id = ParseParentId(where);
  if (parent_id == 0 || !ReadRecordFields(store, parent_id, &parent)) return std::string();
  return parent.where + "\\" + parent.name;
}

uint64_t ParseHex64(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
    ++pos;
  }
  bool negative = false;
  if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) negative = text[pos++] == '-';
  if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') &&
      pos + 2 < text.size() && HexDigit(text[pos + 2]) >= 0) {
    pos += 2;
  }
  uint64_t value = 0;
  for (; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos) {
    value = (value << 4) | static_cast<uint64_t>(HexDigit(text[pos]));
  }
  return negative ? 0 - value : value;
}

bool LoadEntryDetails(RecordStore* store, uint32_t id, EntryDetails* out) {
  *out = EntryDetails();
  RecordFields fields;
  if (!ReadRecordFields(store, id, &fields)) return false;
  out->name = fields.name;
  out->modifiedTime = ParseHex64(fields.modified);
  out->size = ParseHex64(fields.size);
  if (fields.where.find(':') != std::string::npos) {
    out->folderPath = fields.where;
    return true;
  }
  out->folderPath = ParentPathOf(store, fields.where);
  return true;
}

}  // namespace sorvik
