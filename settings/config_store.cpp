#include "settings/config_store.h"

#include "platform/fs.h"
#include "settings/decimal_text.h"
#include "settings/xml_file.h"

namespace sorvik {
namespace {

// The document a missing or unreadable settings file starts from.
constexpr char kDefaultConfigText[] =
    "<?xml version=\"1.0\"  encoding='gb2312' >\n<configuration>\n<appSettings>\n"
    "</appSettings>\n</configuration>";

constexpr char kAppSettings[] = "appSettings";
constexpr char kAdd[] = "add";

std::string AttributeOrEmpty(const TiXmlElement* element, const char* name) {
  const char* text = element->Attribute(name);
  return text ? std::string(text) : std::string();
}

std::string JoinFolder(const std::string& folder, const char* name) {
  if (folder.empty()) return std::string(".\\") + name;
  char last = folder.back();
  if (last == '\\' || last == '/') return folder + name;
  return folder + "\\" + name;
}

}  // namespace

ConfigStore& ConfigStore::Instance() {
  static ConfigStore* store = new ConfigStore(ExecutableFolder() + kConfigFileName);
  return *store;
}

ConfigStore::ConfigStore(const std::string& path) : path_(path) {
  std::lock_guard<std::mutex> hold(lock_);
  Load();
}

void ConfigStore::UseFolder(const std::string& folder) {
  std::lock_guard<std::mutex> hold(lock_);
  path_ = JoinFolder(folder, kConfigFileName);
  Load();
}

std::string ConfigStore::Path() {
  std::lock_guard<std::mutex> hold(lock_);
  return path_;
}

void ConfigStore::Load() {
  const XmlRead read = ReadXmlFile(path_, &doc_);
  unreadable_ = read == XmlRead::kUnreadable;
  if (read != XmlRead::kLoaded) ParseXmlText(kDefaultConfigText, &doc_);
}

// The first "add" child of appSettings and every element after it, whatever its name, is a
// candidate; the first whose "key" equals `key` byte for byte is the setting.
TiXmlElement* ConfigStore::FindSetting(TiXmlElement* appSettings, const std::string& key) {
  for (TiXmlElement* e = appSettings->FirstChildElement(kAdd); e; e = e->NextSiblingElement()) {
    if (AttributeOrEmpty(e, "key") == key) return e;
  }
  return nullptr;
}

bool ConfigStore::Get(const std::string& key, std::string* value) {
  std::lock_guard<std::mutex> hold(lock_);
  TiXmlElement* appSettings = doc_.RootElement()->FirstChildElement(kAppSettings);
  if (appSettings == nullptr) return false;
  TiXmlElement* setting = FindSetting(appSettings, key);
  if (setting == nullptr) return false;
  *value = AttributeOrEmpty(setting, "value");
  return true;
}

bool ConfigStore::Set(const std::string& key, const std::string& value) {
  std::lock_guard<std::mutex> hold(lock_);
  TiXmlElement* root = doc_.RootElement();
  TiXmlElement* appSettings = root->FirstChildElement(kAppSettings);
  if (appSettings == nullptr) {
    appSettings = root->LinkEndChild(new TiXmlElement(kAppSettings))->ToElement();
  }
  if (TiXmlElement* setting = FindSetting(appSettings, key)) {
    setting->SetAttribute("value", value);
  } else {
    TiXmlElement* add = new TiXmlElement(kAdd);
    add->SetAttribute("key", key);
    add->SetAttribute("value", value);
    appSettings->LinkEndChild(add);
  }
  // A file that could not be read is the user's: it is kept beside before a new one is written.
  std::string kept;
  if (unreadable_ && !KeepBadFile(path_, &kept)) return true;
  unreadable_ = false;
  SaveXmlFile(doc_, path_);
  return true;
}

std::string ConfigStore::GetString(const std::string& key, const std::string& missing) {
  std::string value;
  return Get(key, &value) ? value : missing;
}

int32_t ConfigStore::GetInt(const std::string& key, int32_t missing) {
  std::string value;
  return Get(key, &value) ? ParseDecimal(value) : missing;
}

bool ConfigStore::GetBool(const std::string& key, bool missing) {
  std::string value;
  return Get(key, &value) ? value == "true" : missing;
}

}  // namespace sorvik
