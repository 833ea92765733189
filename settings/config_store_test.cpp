#include "settings/config_store.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/fs.h"
#include "settings/xml_file.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

bool Holds(const std::string& path, const std::string& text) {
  return testing::ReadText(path).find(text) != std::string::npos;
}

TEST(ConfigStore, FirstSetWritesTheWholeDocument) {
  testing::TempFolder folder;
  std::string path = folder.Join("Config.xml");
  ConfigStore store(path);
  std::string value = "unchanged";
  EXPECT_FALSE(store.Get("index_position", &value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_FALSE(PathExists(path));  // the default stays in memory

  store.Set("index_position", "C:|D:");
  EXPECT_EQ(testing::ReadText(path),
            "<?xml version=\"1.0\" encoding=\"gb2312\" ?>\r\n<configuration>\r\n"
            "    <appSettings>\r\n        <add key=\"index_position\" value=\"C:|D:\" />\r\n"
            "    </appSettings>\r\n</configuration>\r\n");
  EXPECT_FALSE(PathExists(XmlTempPath(path)));
}

TEST(ConfigStore, KeysAndValues) {
  testing::TempFolder folder;
  std::string path = folder.Join("Config.xml");
  ConfigStore store(path);
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
  // A key set twice is one element; values survive a reload.
  EXPECT_FALSE(Holds(path, "\"C:\""));
  ConfigStore reloaded(path);
  EXPECT_EQ(reloaded.GetString("index_position", ""), "D:|E:");
  EXPECT_EQ(reloaded.GetString("drag_copy", ""), "ab&<>\"' 索引");
}

TEST(ConfigStore, HandWrittenFiles) {
  testing::TempFolder folder;
  std::string path = folder.Join("Config.xml");
  {
    // No appSettings: nothing is found, Set creates it under the root, whatever its name.
    testing::WriteText(path, "<settings><other a=\"1\"/></settings>");
    ConfigStore store(path);
    EXPECT_EQ(store.GetString("autorun", "missing"), "missing");
    store.Set("autorun", "false");
    EXPECT_TRUE(Holds(path, "<settings>") && Holds(path, "<other a=\"1\" />"));
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
    EXPECT_TRUE(Holds(path, "<configuration>")) << text;
  }
}

TEST(ConfigStore, FailedSaveKeepsTheOldFile) {
  testing::TempFolder folder;
  std::string path = folder.Join("Config.xml");
  ConfigStore(path).Set("shortcut_key", "65611");
  std::string before = testing::ReadText(path);
  ASSERT_TRUE(CreateFolder(XmlTempPath(path)));  // the temporary file cannot be created
  ConfigStore store(path);
  EXPECT_TRUE(store.Set("shortcut_key", "0"));
  EXPECT_EQ(testing::ReadText(path), before);
  EXPECT_EQ(store.GetInt(kConfigShortcutKey, kDefaultShortcutKey), 0);  // memory keeps it
}

TEST(ConfigStore, AnUnreadableFileIsKeptBeforeTheFirstSet) {
  testing::TempFolder folder;
  const std::string path = folder.Join("Config.xml");
  std::string deep;
  for (int i = 0; i < 50000; ++i) deep += "<a>";
  for (const std::string& damaged : {std::string("<configuration><appSettings><add key="), deep}) {
    testing::WriteText(path, damaged);
    RemoveFile(path + ".bad");
    ConfigStore store(path);
    EXPECT_EQ(store.GetInt(kConfigShortcutKey, kDefaultShortcutKey), kDefaultShortcutKey);
    EXPECT_EQ(testing::ReadText(path), damaged);  // reading alone writes nothing
    store.Set(kConfigAutorun, "true");
    EXPECT_EQ(testing::ReadText(path + ".bad"), damaged);
    EXPECT_EQ(ConfigStore(path).GetString(kConfigAutorun, ""), "true");
  }
}

TEST(ConfigStore, InstanceAndThreads) {
  testing::TempFolder first, second;
  ConfigStore& store = ConfigStore::Instance();
  {
    // The one store moves between folders and reloads.
    store.UseFolder(first.Path());
    store.Set("index_update_freq", "30");
    store.UseFolder(second.Path() + testing::kSep);
    EXPECT_EQ(ConfigStore::Instance().GetString("index_update_freq", "none"), "none");
    store.UseFolder(first.Path());
    EXPECT_EQ(store.GetInt(kConfigIndexUpdateFreq, kDefaultUpdateFreq), 30);
  }
  {
    // Calls from two threads neither overlap nor lose a setting.
    auto writer = [&store](const std::string& prefix) {
      for (int i = 0; i < 20; ++i) store.Set(prefix + std::to_string(i), "v");
    };
    std::thread a(writer, "a"), b(writer, "b");
    a.join();
    b.join();
    ConfigStore reloaded(first.Join("Config.xml"));
    for (int i = 0; i < 20; ++i) {
      EXPECT_EQ(reloaded.GetString("a" + std::to_string(i), "") +
                    reloaded.GetString("b" + std::to_string(i), ""),
                "vv");
    }
  }
}

}  // namespace
}  // namespace sorvik
