#include "settings/xml_file.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/fs.h"
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

namespace sorvik {
namespace {

TEST(XmlFile, DamagedFilesAreToldFromMissingOnes) {
  testing::TempFolder folder;
  const std::string path = folder.Join("a.xml");
  TiXmlDocument doc;
  {  // nothing to lose: no file, an empty one, one of white space
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kMissing);
    testing::WriteText(path, "");
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kMissing);
    testing::WriteText(path, " \r\n\t\n");
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kMissing);
  }
  {  // bytes the parser would skip without an error: before, inside or after the root
    const std::string good = "<?xml version=\"1.0\" ?>\n<f>\n<b name=\"x\"><s/></b>\n</f>\n";
    testing::WriteText(path, good);
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kLoaded);
    using namespace std::string_literals;
    for (const std::string& damaged :
         {"<?xml version=\"1.0\" ?>\n"s, "<>xml version=\"1.0\" ?>\n<f/>"s,
          "<?xml ver\0ion=\"1.0\" ?>\n<f/>"s, "<?xml version=\"1.0\" ?>\n><f/>"s, "junk<f/>"s,
          "<f/>junk"s, "<f/>\0"s, "<f></f><f/>"s, "<f/><f>\n<b/></f>"s, "<f><b>< <s/></b></f>"s,
          "<f></b><b/></f>"s}) {
      testing::WriteBytes(path, std::vector<uint8_t>(damaged.begin(), damaged.end()));
      EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kUnreadable) << damaged;
    }
  }
  {  // cut short, or a tag left open by hand
    testing::WriteText(path, "<r>\n<a k=\"1\"/>\n<a k=");
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kUnreadable);
    testing::WriteText(path, "<r><a>songs</r>");
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kUnreadable);
  }
  {  // 50,000 levels are refused before the parser descends into them
    std::string deep;
    for (int i = 0; i < 50000; ++i) deep += "<a>";
    testing::WriteText(path, deep);
    EXPECT_EQ(ReadXmlFile(path, &doc), XmlRead::kUnreadable);
    for (int i = 0; i < 50000; ++i) deep += "</a>";
    EXPECT_FALSE(ParseXmlText(deep, &doc));
  }
  {  // the bound counts levels, not elements; comments, quotes and empty tags open none
    std::string wide = "<r>";
    for (int i = 0; i < 5000; ++i) wide += "<a x='<b>'/><!-- <c> --><d>t</d>";
    EXPECT_TRUE(ParseXmlText(wide + "</r>", &doc));
    std::string nested;
    for (int i = 0; i < kMaxXmlDepth; ++i) nested = "<a>" + nested + "</a>";
    EXPECT_TRUE(ParseXmlText(nested, &doc));
    EXPECT_FALSE(ParseXmlText("<b>" + nested + "</b>", &doc));
  }
}

TEST(XmlFile, BadFilesAreKeptUnderFreeNames) {
  testing::TempFolder folder;
  const std::string path = folder.Join("Favorite.xml");
  std::string kept;
  testing::WriteText(path, "first");
  ASSERT_TRUE(KeepBadFile(path, &kept));
  EXPECT_EQ(kept, path + ".bad");
  testing::WriteText(path, "second");
  ASSERT_TRUE(KeepBadFile(path, &kept));
  EXPECT_EQ(kept, path + ".bad2");
  EXPECT_EQ(testing::ReadText(path + ".bad"), "first");
  EXPECT_EQ(testing::ReadText(path + ".bad2"), "second");
  EXPECT_FALSE(PathExists(path));
}

}  // namespace
}  // namespace sorvik
