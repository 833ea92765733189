#include "favourites/favorite_store.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/fs.h"
#include "platform/process_lock.h"
#include "settings/decimal_text.h"
#include "settings/xml_file.h"

namespace sorvik {
namespace {

// The document a missing or unreadable file starts from.
constexpr char kEmptyFavoritesText[] =
    "<?xml version=\"1.0\"  encoding='gb2312' >\n<favorite>\n</favorite>";

std::string FileIn(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
    return folder + kFavoriteFileName;
  }
  return folder + "\\" + kFavoriteFileName;
}

// The text of the first child element called `name`; empty when there is none or it has no
// text.
std::string ChildText(const TiXmlElement& parent, const char* name) {
  const TiXmlElement* child = parent.FirstChildElement(name);
  const char* text = child ? child->GetText() : nullptr;
  return text ? std::string(text) : std::string();
}

void AddTextChild(TiXmlElement* parent, const char* name, const std::string& text) {
  TiXmlElement* child = new TiXmlElement(name);
  child->LinkEndChild(new TiXmlText(text));
  parent->LinkEndChild(child);
}

// The search context of one bookmark: only the fields that differ from their defaults.
TiXmlElement* NewSearchContext(const SearchRequest& request) {
  TiXmlElement* context = new TiXmlElement("searchcontext");
  if (!request.keywords.empty()) AddTextChild(context, "keyword", request.keywords);
  if (!request.location.empty()) AddTextChild(context, "folder", request.location);
  if (request.category >= 0) {
    AddTextChild(context, "filetype", std::to_string(request.category));
  }
  if (request.monthFrom != 0) {
    AddTextChild(context, "startTime", std::to_string(request.monthFrom));
  }
  if (request.monthTo != 0) AddTextChild(context, "endTime", std::to_string(request.monthTo));
  if (request.hiddenOnly != 0) AddTextChild(context, "hidden", "1");
  return context;
}

SearchRequest ReadSearchContext(const TiXmlElement& context) {
  SearchRequest request;
  request.keywords = ChildText(context, "keyword");
  request.location = ChildText(context, "folder");
  std::string text = ChildText(context, "filetype");
  if (!text.empty()) request.category = ParseDecimal(text);
  text = ChildText(context, "startTime");
  if (!text.empty()) request.monthFrom = static_cast<uint16_t>(ParseDecimal(text));
  text = ChildText(context, "endTime");
  if (!text.empty()) request.monthTo = static_cast<uint16_t>(ParseDecimal(text));
  request.hiddenOnly = ChildText(context, "hidden").compare(0, 1, "1") == 0 ? 1 : 0;
  return request;
}

constexpr const char* kContextFields[] = {"keyword",   "folder",  "filetype",
                                          "startTime", "endTime", "hidden"};

// Leaves each field the reader looks at holding exactly the text it read. A field with mixed
// content (text, elements, more text) reads only its leading text, but would be printed with
// line breaks and indentation around its parts, and after a save it would read back different
// text: saving one favourite must never change what another one means.
void KeepFieldsAsRead(TiXmlElement* context) {
  for (const char* name : kContextFields) {
    TiXmlElement* field = context->FirstChildElement(name);
    if (field == nullptr) continue;
    const TiXmlNode* first = field->FirstChild();
    if (first == nullptr || (first->ToText() != nullptr && first->NextSibling() == nullptr))
      continue;
    const char* text = field->GetText();
    const std::string read = text ? std::string(text) : std::string();
    field->Clear();
    if (!read.empty()) field->LinkEndChild(new TiXmlText(read));
  }
}

// False for a bookmark without any child element: it stays in the document but is not listed.
bool ReadBookmark(const TiXmlElement& bookmark, FavoriteEntry* entry) {
  const TiXmlElement* context = bookmark.FirstChildElement();
  if (context == nullptr) return false;
  const char* title = bookmark.Attribute("name");
  entry->title = title ? std::string(title) : std::string();
  entry->request = ReadSearchContext(*context);
  return true;
}

// Whether `bookmark` holds text of its own: a bookmark holds its search context and nothing else.
bool HoldsText(const TiXmlElement& bookmark) {
  for (const TiXmlNode* node = bookmark.FirstChild(); node != nullptr; node = node->NextSibling()) {
    if (node->ToText() != nullptr) return true;
  }
  return false;
}

constexpr uint32_t kLockPollMs = 20;  // pause between two tries of a held lock

// The favourites locks this process holds, by lock file, with the number of stores using each.
struct HeldLock {
  std::unique_ptr<ProcessLock> lock;
  Status status;  // OK when `lock` is held; else why not
  int users = 0;
};
std::mutex g_held_lock;
std::map<std::string, HeldLock> g_held;

// Takes `lock` exclusively, waiting at most `wait_ms` for other holders.
Status LockWithin(ProcessLock* lock, const std::string& path, uint32_t wait_ms) {
  for (uint32_t waited = 0;; waited += kLockPollMs) {
    if (lock->Lock(ProcessLock::Mode::kExclusive, false)) return Status::Ok();
    if (!lock->Opened()) {
      return Status::IOError("cannot lock " + path + " (it cannot be opened or made)");
    }
    if (waited >= wait_ms) {
      return Status::Busy("cannot lock " + path + ": another process has held it for " +
                          std::to_string(wait_ms / 1000) + " s");
    }
    SleepMs(kLockPollMs);
  }
}

// OK when the lock is held. Without it (a read-only folder without a lock file, a lock file
// that cannot be opened, a process that keeps it) the file may still be read, but never saved:
// a save could overlap another process's and one of the two favourites would be lost.
Status HoldLock(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_held_lock);
  HeldLock& held = g_held[path];
  if (held.users++ == 0) {
    held.lock = std::make_unique<ProcessLock>(path);
    held.status = LockWithin(held.lock.get(), path, kFavoritesLockWaitMs);
  }
  return held.status;
}

void ReleaseLock(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_held_lock);
  auto held = g_held.find(path);
  if (held != g_held.end() && --held->second.users == 0) g_held.erase(held);
}

}  // namespace

FavoriteStore::FavoriteStore(const std::string& folder)
    : path_(FileIn(folder)), lock_path_(FileIn(folder) + ".lock") {}

std::unique_ptr<FavoriteStore> FavoriteStore::Open(const std::string& folder) {
  std::unique_ptr<FavoriteStore> store(new FavoriteStore(folder));
  CreateFolder(folder);
  store->lock_status_ = HoldLock(store->lock_path_);
  store->Read();
  return store;
}

FavoriteStore::~FavoriteStore() { ReleaseLock(lock_path_); }

// Any root name and any bookmark name are accepted; a bookmark's first child element, whatever
// its name, is its search context.
void FavoriteStore::Read() {
  const XmlRead read = ReadXmlFile(path_, &doc_);
  unreadable_ = read == XmlRead::kUnreadable;
  if (read != XmlRead::kLoaded) {
    Clear();
    return;
  }
  for (TiXmlElement* bookmark = doc_.RootElement()->FirstChildElement(); bookmark;
       bookmark = bookmark->NextSiblingElement()) {
    if (HoldsText(*bookmark)) {
      // Damage, never written: "<searchcontext>" with its "<" lost reads as text, and the
      // bookmark would silently leave the list.
      unreadable_ = true;
      Clear();
      return;
    }
    if (TiXmlElement* context = bookmark->FirstChildElement()) KeepFieldsAsRead(context);
    FavoriteEntry entry;
    if (ReadBookmark(*bookmark, &entry)) entries_.push_back(entry);
  }
}

void FavoriteStore::Clear() {
  entries_.clear();
  ParseXmlText(kEmptyFavoritesText, &doc_);
}

void FavoriteStore::Add(const std::string& title, const SearchRequest& request) {
  TiXmlElement* bookmark = new TiXmlElement("bookmark");
  bookmark->SetAttribute("name", title);
  bookmark->LinkEndChild(NewSearchContext(request));
  doc_.RootElement()->LinkEndChild(bookmark);
  entries_.push_back(FavoriteEntry{title, request});
}

bool FavoriteStore::Save(std::string* error, std::string* kept) {
  if (kept != nullptr) kept->clear();
  if (!lock_status_.ok()) {
    if (error != nullptr) *error = lock_status_.message();
    return false;
  }
  RemoveStaleXmlTemps(path_);
  std::string kept_as;
  if (unreadable_) {
    if (!KeepBadFile(path_, &kept_as)) {
      if (error != nullptr) *error = "cannot keep the unreadable " + path_ + " aside";
      return false;
    }
    unreadable_ = false;
  }
  if (kept != nullptr) *kept = kept_as;
  return SaveXmlFile(doc_, path_, error);
}

bool FavoriteStore::RemoveFile(const std::string& folder) {
  return sorvik::RemoveFile(FileIn(folder));
}

bool RewriteFavorites(const std::vector<FavoriteEntry>& entries, const std::string& folder) {
  std::unique_ptr<FavoriteStore> fresh = FavoriteStore::Open(folder);
  fresh->Clear();
  for (const FavoriteEntry& entry : entries) fresh->Add(entry.title, entry.request);
  return fresh->Save();
}

}  // namespace sorvik
