#include "settings/xml_file.h"

#include <gtest/gtest.h>

#include <climits>

#include "settings/decimal_text.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(XmlFile, LoadsHandEditedText) {
  testing::TempFolder folder;
  std::string path = folder.Join("a.xml");
  TiXmlDocument doc;
  // A byte-order mark, CR LF line ends and a UTF-8 declaration: still read as GBK bytes.
  testing::WriteText(path,
                     "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                     "<r a=\"x\r\ny\">\r\n<t> 报告  </t>\r\n</r>");
  ASSERT_TRUE(LoadXmlFile(path, &doc));
  EXPECT_STREQ(doc.RootElement()->Attribute("a"), "x\ny");
  EXPECT_STREQ(doc.RootElement()->FirstChildElement("t")->GetText(), " 报告  ");
  // Missing files and documents without a root element are not loaded.
  EXPECT_FALSE(LoadXmlFile(folder.Join("missing.xml"), &doc));
  testing::WriteText(path, "<?xml version=\"1.0\" ?>\n<!-- c -->\n");
  EXPECT_FALSE(LoadXmlFile(path, &doc));
}

TEST(DecimalText, ReadsLikeAtoiWithoutOverflow) {
  EXPECT_EQ(ParseDecimal(" \t\n-1"), -1);
  EXPECT_EQ(ParseDecimal("+27651x"), 27651);
  EXPECT_EQ(ParseDecimal("abc"), 0);
  EXPECT_EQ(ParseDecimal("- 5"), 0);
  EXPECT_EQ(ParseDecimal("2147483647"), INT_MAX);
  EXPECT_EQ(ParseDecimal("99999999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseDecimal("-99999999999999999999999"), INT_MIN);
}

}  // namespace
}  // namespace sorvik
