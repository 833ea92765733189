#include <gtest/gtest.h>
#include <tinyxml.h>

#include "testing/test_util.h"

namespace sorvik {
namespace {

// A GBK attribute value survives a save and a reload byte for byte, and is written unescaped.
TEST(TinyXml, GbkAttributeRoundTrip) {
  testing::TempFolder folder;
  std::string path = folder.Join("gbk.xml");
  const std::string value = "索引位置 C:|D:";  // GBK bytes in the binary
  ASSERT_EQ(static_cast<unsigned char>(value[0]), 0xCB);
  ASSERT_EQ(static_cast<unsigned char>(value[1]), 0xF7);
  {
    TiXmlDocument doc;
    doc.Parse("<?xml version=\"1.0\"  encoding='gb2312' >\n<configuration/>", nullptr,
              TIXML_ENCODING_LEGACY);
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc();
    TiXmlElement add("add");
    add.SetAttribute("key", "index_position");
    add.SetAttribute("value", value.c_str());
    doc.RootElement()->InsertEndChild(add);
    ASSERT_TRUE(doc.SaveFile(path.c_str()));
  }
  std::string saved = testing::ReadText(path);
  EXPECT_NE(saved.find("value=\"" + value + "\""), std::string::npos) << saved;

  TiXmlDocument reloaded;
  ASSERT_TRUE(reloaded.LoadFile(path.c_str(), TIXML_ENCODING_LEGACY));
  const char* read = reloaded.RootElement()->FirstChildElement("add")->Attribute("value");
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(std::string(read), value);
}

}  // namespace
}  // namespace sorvik
