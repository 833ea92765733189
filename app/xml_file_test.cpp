#include "app/xml_file.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/decimal_text.h"
#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(XmlFile, TextSurvivesAsWritten) {
  testing::TempFolder folder;
  std::string path = folder.Join("a.xml");
  {
    // Element text keeps its white space; GBK, markup and control characters come back as
    // they were.
    TiXmlDocument doc;
    ASSERT_TRUE(ParseXmlText("<r/>", &doc));
    TiXmlElement* e = new TiXmlElement("t");
    e->LinkEndChild(new TiXmlText(" D:\\My  Music\\报告 &#x41; <a>\t"));
    doc.RootElement()->LinkEndChild(e);
    ASSERT_TRUE(SaveXmlFile(doc, path));
    EXPECT_FALSE(PathExists(path + ".tmp"));
    TiXmlDocument back;
    ASSERT_TRUE(LoadXmlFile(path, &back));
    EXPECT_STREQ(back.RootElement()->FirstChildElement("t")->GetText(),
                 " D:\\My  Music\\报告 &#x41; <a>\t");
  }
  {
    // A byte-order mark and CR LF line ends are read as the program's own files.
    testing::WriteText(path, "\xEF\xBB\xBF<r a=\"x\r\ny\">\r\n<t>v</t>\r\n</r>");
    TiXmlDocument doc;
    ASSERT_TRUE(LoadXmlFile(path, &doc));
    EXPECT_STREQ(doc.RootElement()->Attribute("a"), "x\ny");
    EXPECT_STREQ(doc.RootElement()->FirstChildElement("t")->GetText(), "v");
  }
  {
    // Missing files, and documents without a root element, are not loaded.
    TiXmlDocument doc;
    EXPECT_FALSE(LoadXmlFile(folder.Join("missing.xml"), &doc));
    testing::WriteText(path, "<?xml version=\"1.0\" ?>\n<!-- c -->\n");
    EXPECT_FALSE(LoadXmlFile(path, &doc));
  }
}

TEST(DecimalText, ReadsLikeAtoiWithoutOverflow) {
  EXPECT_EQ(ParseDecimal("60"), 60);
  EXPECT_EQ(ParseDecimal(" \t\n-1"), -1);
  EXPECT_EQ(ParseDecimal("+27651x"), 27651);
  EXPECT_EQ(ParseDecimal("abc"), 0);
  EXPECT_EQ(ParseDecimal("- 5"), 0);
  EXPECT_EQ(ParseDecimal(""), 0);
  EXPECT_EQ(ParseDecimal("2147483647"), INT_MAX);
  EXPECT_EQ(ParseDecimal("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseDecimal("-2147483648"), INT_MIN);
  EXPECT_EQ(ParseDecimal("-99999999999999999999999"), INT_MIN);
}

}  // namespace
}  // namespace sorvik
