// A settings save that fails (a full disk, a failed write, create, flush or replace) never leaves
// Config.xml truncated or half written, nor a temporary file behind; the store keeps the new
// value in memory and the next save that succeeds writes it. A save never writes a file that
// would not load again.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/fs.h"
#include "settings/config_store.h"
#include "settings/xml_file.h"
#include "testing/fault_injection.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

using testing::FailingDisk;
using testing::PathEndsWith;

TEST(XmlFileFaults, AFailedSaveLeavesTheOldFileWhole) {
  testing::TempFolder folder;
  const std::string path = folder.Join(kConfigFileName);
  ConfigStore store(path);
  store.Set(kConfigIndexPosition, "C:|D:");
  store.Set(kConfigShortcutKey, "65611");
  const std::string before = testing::ReadText(path);
  ASSERT_FALSE(before.empty());
  const std::function<void(FailingDisk*)> failures[] = {
      [](FailingDisk* disk) { disk->full_from = 1; },  // the disk is full
      [](FailingDisk* disk) { disk->fail_only = 2; },  // the text's write fails
      [](FailingDisk* disk) {                          // the temporary file cannot be made
        disk->refuse = [](FileOp op, const std::string& p) {
          return op == FileOp::kOpen && PathEndsWith(p, ".tmp");
        };
      },
      [](FailingDisk* disk) {  // the flush at close fails
        disk->refuse = [](FileOp op, const std::string&) { return op == FileOp::kFlush; };
      },
      [](FailingDisk* disk) {  // the replace fails
        disk->refuse = [](FileOp op, const std::string&) { return op == FileOp::kRename; };
      },
  };
  int round = 0;
  for (const auto& fail : failures) {
    const std::string value = "value " + std::to_string(++round);
    {
      FailingDisk disk;
      fail(&disk);
      EXPECT_TRUE(store.Set(kConfigAutorun, value));  // a failed save is not reported
    }
    EXPECT_EQ(testing::ReadText(path), before) << round;
    EXPECT_FALSE(PathExists(XmlTempPath(path))) << round;
    EXPECT_EQ(store.GetString(kConfigAutorun, ""), value) << round;  // memory has it
    EXPECT_EQ(ConfigStore(path).GetString(kConfigIndexPosition, ""), "C:|D:") << round;
  }
  {  // the next save that succeeds writes everything
    store.Set(kConfigDragCopy, "false");
    ConfigStore reloaded(path);
    EXPECT_EQ(reloaded.GetString(kConfigAutorun, ""), "value 5");
    EXPECT_EQ(reloaded.GetString(kConfigShortcutKey, ""), "65611");
  }
  {  // SaveXmlFile reports what the store does not
    TiXmlDocument doc;
    ASSERT_TRUE(ParseXmlText("<r/>", &doc));
    FailingDisk disk;
    disk.full_from = 1;
    EXPECT_FALSE(SaveXmlFile(doc, path));
  }
}

// Found by fuzzing: the library prints a declaration's texts raw, so a damaged file whose
// declaration held a quote or markup was saved as one that no longer loads, losing every setting.
TEST(XmlFile, DamagedDeclarationsStillLoadAfterASave) {
  testing::TempFolder folder;
  const std::string path = folder.Join(kConfigFileName);
  {  // an encoding with an escaped quote and markup
    testing::WriteText(path,
                       "<?xml version=\"1.0\" encoding=\"g&quot;b&lt;x&gt;\" ?>\n"
                       "<configuration><appSettings><add key=\"a\" value=\"1\"/></appSettings>"
                       "</configuration>");
    ConfigStore store(path);
    ASSERT_EQ(store.GetString("a", ""), "1");
    store.Set("b", "2");
    ConfigStore reloaded(path);
    EXPECT_EQ(reloaded.GetString("a", ""), "1");
    EXPECT_EQ(reloaded.GetString("b", ""), "2");
  }
  {  // a declaration inside an element, with a double quote inside single quotes
    TiXmlDocument doc;
    ASSERT_TRUE(ParseXmlText("<r><?xml version='1\" x>' ?><t>k</t></r>", &doc));
    ASSERT_TRUE(SaveXmlFile(doc, path));
    TiXmlDocument loaded;
    ASSERT_TRUE(LoadXmlFile(path, &loaded));
    const TiXmlDeclaration* inner = loaded.RootElement()->FirstChild()->ToDeclaration();
    ASSERT_NE(inner, nullptr);
    EXPECT_STREQ(inner->Version(), "1\" x>");
    EXPECT_STREQ(loaded.RootElement()->FirstChildElement("t")->GetText(), "k");
  }
}

}  // namespace
}  // namespace sorvik
