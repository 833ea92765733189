// The settings: key/value pairs in "Config.xml" beside the executable, read once, written at
// every change. One process-wide store; every call is serialised by one lock, so the user
// interface and the background index thread may use it at the same time.
#pragma once

#include <tinyxml.h>

#include <cstdint>
#include <mutex>
#include <string>

namespace sorvik {

// Setting keys and the values their readers assume when a key is missing.
constexpr char kConfigShortcutKey[] = "shortcut_key";            // decimal hot-key value
constexpr char kConfigAutorun[] = "autorun";                     // "true" / "false"
constexpr char kConfigDragCopy[] = "drag_copy";                  // "true" / "false"
constexpr char kConfigIndexRemovable[] = "index_removable";      // "true" / "false"
constexpr char kConfigPinyinSearch[] = "pinyin_search";          // "true" / "false", default false
constexpr char kConfigLiveUpdate[] = "live_update";              // "true" / "false", default true
constexpr char kConfigSearchAsYouType[] = "search_as_you_type";  // "true" / "false", default true
constexpr char kConfigSortAllResults[] = "sort_all_results";     // "true" / "false", default false
constexpr char kConfigIndexExclude[] = "index_exclude";          // folders left out, joined by "|"
constexpr char kConfigIndexPosition[] = "index_position";        // drive names joined by "|"
constexpr char kConfigIndexUpdateFreq[] = "index_update_freq";   // minutes, "-1" = by hand
constexpr int32_t kDefaultShortcutKey = 65611;                   // Ctrl + K
constexpr int32_t kDefaultUpdateFreq = 60;                       // minutes

constexpr char kConfigFileName[] = "Config.xml";

class ConfigStore {
 public:
  // The process-wide store on "Config.xml" in the executable's folder, created and loaded on the
  // first call; never destroyed.
  static ConfigStore& Instance();

  // A store on the settings file at `path` (program path form). A missing, malformed or
  // rootless file starts the store from the default document; nothing is written until Set,
  // and a file that holds something unreadable is then first renamed to "Config.xml.bad".
  explicit ConfigStore(const std::string& path);
  ConfigStore(const ConfigStore&) = delete;
  ConfigStore& operator=(const ConfigStore&) = delete;

  // Moves the store to "Config.xml" in `folder` (with or without a trailing separator) and
  // reloads it from there, dropping what was held in memory.
  void UseFolder(const std::string& folder);
  std::string Path();

  // True and the value when a setting with exactly this key (byte-wise, case-sensitive)
  // exists; false otherwise, with `value` untouched.
  bool Get(const std::string& key, std::string* value);
  // Updates or adds the setting and saves the whole document. Always true: a failed save is
  // not reported (the file keeps its old contents; memory keeps the new value).
  bool Set(const std::string& key, const std::string& value);

  // Typed readers with the callers' defaults.
  // The value, or `missing` when the key is absent.
  std::string GetString(const std::string& key, const std::string& missing);
  // The leading decimal integer of the value as atoi reads it, or `missing` when absent.
  int32_t GetInt(const std::string& key, int32_t missing);
  // `missing` when absent; otherwise true only for the exact text "true" ("TRUE" is false).
  bool GetBool(const std::string& key, bool missing);

 private:
  void Load();  // REQUIRES: lock_ held.
  TiXmlElement* FindSetting(TiXmlElement* appSettings, const std::string& key);

  std::mutex lock_;          // held for the length of every public call
  std::string path_;         // full path of the settings file
  TiXmlDocument doc_;        // the parsed settings, always with a root element
  bool unreadable_ = false;  // the file holds something that could not be read
};

}  // namespace sorvik
