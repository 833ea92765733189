#include "app/config_store.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <thread>

#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

std::string SettingsFile(const testing::TempFolder& folder) { return folder.Join("Config.xml"); }

// The document as written, parsed back.
TiXmlDocument ReadBack(const std::string& path) {
  TiXmlDocument doc;
  std::string text = testing::ReadText(path);
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  EXPECT_FALSE(doc.Error()) << text;
  return doc;
}

int CountChildren(const TiXmlElement* parent, const char* name) {
  int count = 0;
  for (const TiXmlElement* e = parent->FirstChildElement(name); e;
       e = e->NextSiblingElement(name)) {
    ++count;
  }
  return count;
}

TEST(ConfigStore, FirstSetWritesTheWholeDocument) {
  testing::TempFolder folder;
  ConfigStore store(SettingsFile(folder));
  std::string value = "unchanged";
  EXPECT_FALSE(store.Get("index_position", &value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_FALSE(PathExists(SettingsFile(folder)));  // the default stays in memory

  EXPECT_TRUE(store.Set("index_position", "C:|D:"));
  TiXmlDocument doc = ReadBack(SettingsFile(folder));
  const TiXmlDeclaration* declaration = doc.FirstChild()->ToDeclaration();
  ASSERT_NE(declaration, nullptr);
  EXPECT_STREQ(declaration->Version(), "1.0");
  EXPECT_STREQ(declaration->Encoding(), "gb2312");
  const TiXmlElement* root = doc.RootElement();
  EXPECT_STREQ(root->Value(), "configuration");
  ASSERT_EQ(CountChildren(root, "appSettings"), 1);
  const TiXmlElement* settings = root->FirstChildElement("appSettings");
  ASSERT_EQ(CountChildren(settings, "add"), 1);
  const TiXmlAttribute* first = settings->FirstChildElement("add")->FirstAttribute();
  EXPECT_STREQ(first->Name(), "key");  // "key" before "value"
  EXPECT_STREQ(first->Value(), "index_position");
  EXPECT_STREQ(first->Next()->Name(), "value");
  EXPECT_STREQ(first->Next()->Value(), "C:|D:");
  EXPECT_FALSE(PathExists(SettingsFile(folder) + ".tmp"));
}

TEST(ConfigStore, KeysAndValues) {
  testing::TempFolder folder;
  {
    ConfigStore store(SettingsFile(folder));
    store.Set("index_position", "C:");
    store.Set("index_position", "D:|E:");
    store.Set("index_removable", "TRUE");
    store.Set("drag_copy", "ab&<>\"' 索引");
    std::string value;
    // Keys are compared byte for byte.
    EXPECT_FALSE(store.Get("Index_Position", &value));
    EXPECT_FALSE(store.Get("index_position ", &value));
    // "TRUE" is not "true"; a missing key takes the caller's default.
    EXPECT_FALSE(store.GetBool(kConfigIndexRemovable, true));
    EXPECT_TRUE(store.GetBool(kConfigAutorun, true));
    EXPECT_EQ(store.GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq), 60);
    store.Set(kConfigIndexUpdateFreq, "45 minutes");
    EXPECT_EQ(store.GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq), 45);
  }
  // Setting a key twice leaves one element with the last value; text survives a reload.
  TiXmlDocument doc = ReadBack(SettingsFile(folder));
  EXPECT_EQ(CountChildren(doc.RootElement()->FirstChildElement("appSettings"), "add"), 4);
  ConfigStore reloaded(SettingsFile(folder));
  EXPECT_EQ(reloaded.GetString("index_position", ""), "D:|E:");
  EXPECT_EQ(reloaded.GetString("drag_copy", ""), "ab&<>\"' 索引");
}

TEST(ConfigStore, HandWrittenFiles) {
  testing::TempFolder folder;
  std::string path = SettingsFile(folder);
  {
    // No appSettings: nothing is found, Set creates it under the root, whatever its name.
    testing::WriteText(path, "<settings><other a=\"1\"/></settings>");
    ConfigStore store(path);
    std::string value;
    EXPECT_FALSE(store.Get("autorun", &value));
    store.Set("autorun", "false");
    TiXmlDocument doc = ReadBack(path);
    EXPECT_STREQ(doc.RootElement()->Value(), "settings");
    EXPECT_NE(doc.RootElement()->FirstChildElement("other"), nullptr);
    EXPECT_EQ(ConfigStore(path).GetString("autorun", ""), "false");
  }
  {
    // The walk starts at the first "add" and goes on through siblings of any name.
    testing::WriteText(path,
                       "<c><appSettings><x key=\"k\" value=\"0\"/><add key=\"a\" value=\"1\"/>"
                       "<item key=\"k\" value=\"2\"/><add value=\"3\"/></appSettings></c>");
    ConfigStore store(path);
    EXPECT_EQ(store.GetString("k", "missing"), "2");
    EXPECT_EQ(store.GetString("", "missing"), "3");  // a missing "key" reads as empty
  }
  for (const char* text : {"<?xml version=\"1.0\"?>", "<!-- only -->", "<c><a></c>", ""}) {
    // Without a root element, malformed or empty: the defaults, and a fresh file at Set.
    testing::WriteText(path, text);
    ConfigStore store(path);
    EXPECT_EQ(store.GetString("autorun", "missing"), "missing") << text;
    store.Set("autorun", "true");
    EXPECT_STREQ(ReadBack(path).RootElement()->Value(), "configuration") << text;
  }
}

TEST(ConfigStore, FailedSaveKeepsTheOldFile) {
  testing::TempFolder folder;
  std::string path = SettingsFile(folder);
  ConfigStore(path).Set("shortcut_key", "65611");
  std::string before = testing::ReadText(path);
  ASSERT_TRUE(CreateFolder(path + ".tmp"));  // the temporary file cannot be created
  ConfigStore store(path);
  EXPECT_TRUE(store.Set("shortcut_key", "0"));
  EXPECT_EQ(testing::ReadText(path), before);
  EXPECT_EQ(store.GetInt(kConfigShortcutKey, kDefaultShortcutKey), 0);  // memory keeps it
}

TEST(ConfigStore, InstanceMovesBetweenFolders) {
  testing::TempFolder first, second;
  ConfigStore& store = ConfigStore::Instance();
  EXPECT_EQ(&store, &ConfigStore::Instance());
  store.UseFolder(first.Path());
  store.Set("index_update_freq", "30");
  store.UseFolder(second.Path() + testing::kSep);
  EXPECT_EQ(store.GetString("index_update_freq", "none"), "none");
  store.UseFolder(first.Path());
  EXPECT_EQ(store.GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq), 30);
}

TEST(ConfigStore, CallsFromTwoThreads) {
  testing::TempFolder folder;
  ConfigStore store(SettingsFile(folder));
  auto writer = [&store](const std::string& prefix) {
    for (int i = 0; i < 25; ++i) {
      store.Set(prefix + std::to_string(i), std::to_string(i));
      std::string value;
      store.Get(prefix + "0", &value);
    }
  };
  std::thread a(writer, "a"), b(writer, "b");
  a.join();
  b.join();
  ConfigStore reloaded(SettingsFile(folder));
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(reloaded.GetInt("a" + std::to_string(i), -1), i);
    EXPECT_EQ(reloaded.GetInt("b" + std::to_string(i), -1), i);
  }
}

}  // namespace
}  // namespace sorvik
