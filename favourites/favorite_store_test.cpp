#include "favourites/favorite_store.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// The element names under each search context of the file, bookmark by bookmark.
std::vector<std::vector<std::string>> ContextChildren(const std::string& path) {
  std::string text = testing::ReadText(path);
  TiXmlDocument doc;
  doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
  EXPECT_FALSE(doc.Error()) << text;
  std::vector<std::vector<std::string>> result;
  for (const TiXmlElement* b = doc.RootElement()->FirstChildElement(); b;
       b = b->NextSiblingElement()) {
    result.emplace_back();
    const TiXmlElement* context = b->FirstChildElement("searchcontext");
    for (const TiXmlElement* e = context ? context->FirstChildElement() : nullptr; e;
         e = e->NextSiblingElement()) {
      result.back().push_back(std::string(e->Value()) + "=" + (e->GetText() ? e->GetText() : ""));
    }
  }
  return result;
}

void ExpectSameRequest(const SearchRequest& a, const SearchRequest& b) {
  EXPECT_EQ(a.keywords, b.keywords);
  EXPECT_EQ(a.location, b.location);
  EXPECT_EQ(a.category, b.category);
  EXPECT_EQ(a.hiddenOnly, b.hiddenOnly);
  EXPECT_EQ(a.monthFrom, b.monthFrom);
  EXPECT_EQ(a.monthTo, b.monthTo);
}

TEST(FavoriteStore, NoFileThenFirstSave) {
  testing::TempFolder work;
  std::string folder = work.Join("NFavorite");
  FavoriteStore store(folder);
  EXPECT_EQ(store.Count(), 0u);
  EXPECT_TRUE(IsFolder(folder));  // only the folder is created
  EXPECT_FALSE(PathExists(store.FilePath()));

  store.Add("报告", MakeSearchRequest("报告", "", kCategoryAll, true, 2008, 3));
  ASSERT_TRUE(store.Save());
  std::string text = testing::ReadText(store.FilePath());
  EXPECT_EQ(text.find("<?xml version=\"1.0\" encoding=\"gb2312\" ?>"), 0u) << text;
  EXPECT_NE(text.find("<favorite>"), std::string::npos) << text;
  EXPECT_NE(text.find("<bookmark name=\"报告\">"), std::string::npos) << text;
}

TEST(FavoriteStore, WrittenElements) {
  testing::TempFolder work;
  FavoriteStore store(work.Path());
  SearchRequest folders;
  folders.category = kCategoryFolders;
  store.Add("defaults", SearchRequest());
  store.Add("folders", folders);
  store.Add("2008", MakeSearchRequest("", "", kCategoryAll, false, 2008, 0));
  store.Add("march", MakeSearchRequest("报告", "", kCategoryAll, true, 2008, 3));
  store.Add("all", MakeSearchRequest("ab", "D:\\Music", kCategoryMedia, true, 2008, 3));
  ASSERT_TRUE(store.Save());
  using Names = std::vector<std::string>;
  std::vector<Names> written = ContextChildren(store.FilePath());
  ASSERT_EQ(written.size(), 5u);
  EXPECT_EQ(written[0], Names{});              // an empty search context
  EXPECT_EQ(written[1], Names{"filetype=0"});  // 0 is a category, -1 is not written
  EXPECT_EQ(written[2], (Names{"startTime=27648", "endTime=27904"}));
  EXPECT_EQ(written[3], (Names{"keyword=报告", "startTime=27651", "endTime=27652", "hidden=1"}));
  EXPECT_EQ(written[4], (Names{"keyword=ab", "folder=D:\\Music", "filetype=5", "startTime=27651",
                               "endTime=27652", "hidden=1"}));

  FavoriteStore reloaded(work.Path());
  ASSERT_EQ(reloaded.Count(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(reloaded.Item(i).title, store.Item(i).title);
    ExpectSameRequest(reloaded.Item(i).request, store.Item(i).request);
  }
}

TEST(FavoriteStore, TextSurvivesSaveAndReload) {
  testing::TempFolder work;
  const std::vector<std::string> texts = {"a&b <c> \"d\" 'e'", "报告 &amp; &#x41; &lt;",
                                          " D:\\My  Music\\新建 ", "same", "same"};
  {
    FavoriteStore store(work.Path());
    for (const std::string& text : texts) {
      SearchRequest request;
      request.keywords = text;
      request.location = text;
      store.Add(text, request);  // duplicate titles are kept as they are
    }
    store.Save();
  }
  FavoriteStore reloaded(work.Path());
  ASSERT_EQ(reloaded.Count(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(reloaded.Item(i).title, texts[i]);
    EXPECT_EQ(reloaded.Item(i).request.keywords, texts[i]);
    EXPECT_EQ(reloaded.Item(i).request.location, texts[i]);
  }
}

TEST(FavoriteStore, HandEditedFiles) {
  testing::TempFolder work;
  std::string path = work.Join("Favorite.xml");
  {
    // Foreign names, a missing title, empty elements, odd numbers; a bookmark without a child
    // element is skipped but stays in the file through Add and Save.
    testing::WriteText(path,
                       "<saved><item name=\"t1\"><ctx><keyword>ab</keyword><folder/>"
                       "<filetype> 12abc</filetype><startTime>70000</startTime>"
                       "<endTime>-1</endTime><hidden>10</hidden></ctx></item>"
                       "<bookmark name=\"empty\"/>"
                       "<bookmark><searchcontext><filetype>99999999999</filetype>"
                       "<hidden>yes</hidden><startTime></startTime></searchcontext></bookmark>"
                       "</saved>");
    FavoriteStore store(work.Path());
    ASSERT_EQ(store.Count(), 2u);
    const SearchRequest& first = store.Item(0).request;
    EXPECT_EQ(store.Item(0).title, "t1");
    EXPECT_EQ(first.keywords, "ab");
    EXPECT_EQ(first.location, "");
    EXPECT_EQ(first.category, 12);
    EXPECT_EQ(first.monthFrom, 70000 & 0xFFFF);
    EXPECT_EQ(first.monthTo, 0xFFFF);
    EXPECT_EQ(first.hiddenOnly, 1);
    EXPECT_EQ(store.Item(1).title, "");
    EXPECT_EQ(store.Item(1).request.category, INT_MAX);
    EXPECT_EQ(store.Item(1).request.hiddenOnly, 0);
    EXPECT_EQ(store.Item(1).request.monthFrom, 0);
    store.Add("new", SearchRequest());
    store.Save();
    EXPECT_EQ(ContextChildren(path).size(), 4u);
    EXPECT_EQ(FavoriteStore(work.Path()).Count(), 3u);
  }
  for (const char* text : {"<?xml version=\"1.0\" ?>", "<favorite><bookmark></favorite>"}) {
    // No root element, or not well-formed: an empty list, and the file is left alone.
    testing::WriteText(path, text);
    EXPECT_EQ(FavoriteStore(work.Path()).Count(), 0u) << text;
    EXPECT_EQ(testing::ReadText(path), text);
  }
}

TEST(FavoriteStore, OrganiserRewrite) {
  testing::TempFolder work;
  {
    FavoriteStore store(work.Path());
    store.Add("A", MakeSearchRequest("aa", "", kCategoryAll, false, 0, 0));
    store.Add("B", MakeSearchRequest("bb", "C:", kCategoryDocuments, false, 0, 0));
    store.Add("C", MakeSearchRequest("cc", "", kCategoryAll, true, 2010, 0));
    store.Save();
  }
  FavoriteStore shown(work.Path());  // the list the organiser shows
  ASSERT_TRUE(FavoriteStore::RemoveFile(work.Path()));
  FavoriteStore fresh(work.Path());
  EXPECT_EQ(fresh.Count(), 0u);
  for (size_t i : {2u, 0u}) fresh.Add(shown.Item(i).title + "!", shown.Item(i).request);
  ASSERT_TRUE(fresh.Save());

  FavoriteStore reloaded(work.Path());
  ASSERT_EQ(reloaded.Count(), 2u);
  EXPECT_EQ(reloaded.Item(0).title, "C!");
  ExpectSameRequest(reloaded.Item(0).request, shown.Item(2).request);
  EXPECT_EQ(reloaded.Item(1).title, "A!");
  ExpectSameRequest(reloaded.Item(1).request, shown.Item(0).request);
}

}  // namespace
}  // namespace sorvik
