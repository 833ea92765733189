#include "favourites/favorite_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

auto Fields(const SearchRequest& r) {
  return std::make_tuple(r.keywords, r.location, r.category, r.hiddenOnly, r.monthFrom, r.monthTo);
}

// The file's text from its first bookmark on, with the indentation and line ends removed.
std::string Bookmarks(const std::string& path) {
  std::string text = testing::ReadText(path), flat;
  for (size_t i = text.find("<bookmark"); i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      while (i + 1 < text.size() && text[i + 1] == ' ') ++i;
    } else {
      flat += text[i];
    }
  }
  return flat;
}

TEST(FavoriteStore, NoFileThenFirstSave) {
  testing::TempFolder work;
  std::string folder = work.Join("NFavorite");
  auto store = FavoriteStore::Open(folder);
  EXPECT_EQ(store->Count(), 0u);
  EXPECT_TRUE(IsFolder(folder));  // only the folder is created
  EXPECT_FALSE(PathExists(store->FilePath()));
  store->Add("t", SearchRequest());
  ASSERT_TRUE(store->Save());
  EXPECT_EQ(testing::ReadText(store->FilePath())
                .find("<?xml version=\"1.0\" encoding=\"gb2312\" ?>"
                      "\r\n<favorite>\r\n    <bookmark name=\"t\">"),
            0u);
}

TEST(FavoriteStore, WrittenElementsReadBack) {
  testing::TempFolder work;
  auto store = FavoriteStore::Open(work.Path());
  SearchRequest folders;
  folders.category = kCategoryFolders;
  store->Add("defaults", SearchRequest());
  store->Add("folders", folders);
  store->Add("2008", MakeSearchRequest("", "", kCategoryAll, false, 2008, 0));
  store->Add("报告", MakeSearchRequest("报告", "", kCategoryAll, true, 2008, 3));
  store->Add("all", MakeSearchRequest("ab", "D:\\Music", kCategoryMedia, true, 2008, 3));
  ASSERT_TRUE(store->Save());
  EXPECT_EQ(Bookmarks(store->FilePath()),
            "<bookmark name=\"defaults\"><searchcontext /></bookmark>"
            "<bookmark name=\"folders\"><searchcontext><filetype>0</filetype></searchcontext>"
            "</bookmark><bookmark name=\"2008\"><searchcontext><startTime>27648</startTime>"
            "<endTime>27904</endTime></searchcontext></bookmark>"
            "<bookmark name=\"报告\"><searchcontext><keyword>报告</keyword>"
            "<startTime>27651</startTime><endTime>27652</endTime><hidden>1</hidden>"
            "</searchcontext></bookmark><bookmark name=\"all\"><searchcontext>"
            "<keyword>ab</keyword><folder>D:\\Music</folder><filetype>5</filetype>"
            "<startTime>27651</startTime><endTime>27652</endTime><hidden>1</hidden>"
            "</searchcontext></bookmark></favorite>");
  auto reloaded = FavoriteStore::Open(work.Path());
  ASSERT_EQ(reloaded->Count(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(reloaded->Item(i).title, store->Item(i).title);
    EXPECT_EQ(Fields(reloaded->Item(i).request), Fields(store->Item(i).request));
  }
}

TEST(FavoriteStore, TextSurvivesSaveAndReload) {
  testing::TempFolder work;
  const std::vector<std::string> texts = {"a&b <c> \"d\" 'e'", "报告 &amp; &#x41; &lt;",
                                          " D:\\My  Music\\新建 ", "same", "same"};
  auto store = FavoriteStore::Open(work.Path());
  for (const std::string& text : texts) {
    SearchRequest request;
    request.keywords = request.location = text;
    store->Add(text, request);  // duplicate titles are kept as they are
  }
  store->Save();
  auto reloaded = FavoriteStore::Open(work.Path());
  ASSERT_EQ(reloaded->Count(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(reloaded->Item(i).title, texts[i]);
    EXPECT_EQ(reloaded->Item(i).request.keywords, texts[i]);
    EXPECT_EQ(reloaded->Item(i).request.location, texts[i]);
  }
}

TEST(FavoriteStore, HandEditedFiles) {
  testing::TempFolder work;
  std::string path = work.Join("Favorite.xml");
  {
    // Foreign names, a missing title, empty elements, odd numbers; a bookmark without a child
    // element is not listed but stays in the file through Add and Save.
    testing::WriteText(path,
                       "<saved><item name=\"t1\"><ctx><keyword>ab</keyword><folder/>"
                       "<filetype> 12abc</filetype><startTime>70000</startTime>"
                       "<endTime>-1</endTime><hidden>10</hidden></ctx></item>"
                       "<bookmark name=\"empty\"/>"
                       "<bookmark><searchcontext><filetype>99999999999</filetype>"
                       "<hidden>yes</hidden><startTime></startTime></searchcontext></bookmark>"
                       "</saved>");
    auto store = FavoriteStore::Open(work.Path());
    ASSERT_EQ(store->Count(), 2u);
    EXPECT_EQ(store->Item(0).title, "t1");
    EXPECT_EQ(Fields(store->Item(0).request),
              Fields(SearchRequest{"ab", "", 12, 1, 70000 & 0xFFFF, 0xFFFF}));
    EXPECT_EQ(store->Item(1).title, "");
    EXPECT_EQ(Fields(store->Item(1).request), Fields(SearchRequest{"", "", INT_MAX, 0, 0, 0}));
    store->Add("new", SearchRequest());
    store->Save();
    EXPECT_NE(testing::ReadText(path).find("<bookmark name=\"empty\" />"), std::string::npos);
    EXPECT_EQ(FavoriteStore::Open(work.Path())->Count(), 3u);
  }
  {
    // A field with mixed content reads its leading text; saving another favourite keeps that
    // meaning (it was once printed with indentation around the parts and read back changed).
    testing::WriteText(path,
                       "<favorite><bookmark name=\"m\"><searchcontext><keyword>ab<i/>cd</keyword>"
                       "<folder>C:\\docs\n  <x/>rest</folder><filetype><y/>3</filetype>"
                       "</searchcontext></bookmark></favorite>");
    auto store = FavoriteStore::Open(work.Path());
    ASSERT_EQ(store->Count(), 1u);
    const SearchRequest before = store->Item(0).request;
    EXPECT_EQ(Fields(before), Fields(SearchRequest{"ab", "C:\\docs\n  ", -1, 0, 0, 0}));
    store->Add("new", SearchRequest());
    ASSERT_TRUE(store->Save());
    auto reloaded = FavoriteStore::Open(work.Path());
    ASSERT_EQ(reloaded->Count(), 2u);
    EXPECT_EQ(Fields(reloaded->Item(0).request), Fields(before));
  }
  for (const char* text : {"<?xml version=\"1.0\" ?>", "<favorite><bookmark></favorite>"}) {
    // No root element, or not well-formed: an empty list, and the file is left alone.
    testing::WriteText(path, text);
    EXPECT_EQ(FavoriteStore::Open(work.Path())->Count(), 0u) << text;
    EXPECT_EQ(testing::ReadText(path), text);
  }
}

TEST(FavoriteStore, OrganiserRewrite) {
  testing::TempFolder work;
  {
    auto store = FavoriteStore::Open(work.Path());
    store->Add("A", MakeSearchRequest("aa", "", kCategoryAll, false, 0, 0));
    store->Add("B", MakeSearchRequest("bb", "C:", kCategoryDocuments, false, 0, 0));
    store->Add("C", MakeSearchRequest("cc", "", kCategoryAll, true, 2010, 0));
    store->Save();
  }
  auto shown = FavoriteStore::Open(work.Path());  // the list the organiser shows
  ASSERT_TRUE(FavoriteStore::RemoveFile(work.Path()));
  auto fresh = FavoriteStore::Open(work.Path());
  EXPECT_EQ(fresh->Count(), 0u);
  for (size_t i : {2u, 0u}) fresh->Add(shown->Item(i).title + "!", shown->Item(i).request);
  ASSERT_TRUE(fresh->Save());
  auto reloaded = FavoriteStore::Open(work.Path());
  ASSERT_EQ(reloaded->Count(), 2u);
  EXPECT_EQ(reloaded->Item(0).title + reloaded->Item(1).title, "C!A!");
  EXPECT_EQ(Fields(reloaded->Item(0).request), Fields(shown->Item(2).request));
  EXPECT_EQ(Fields(reloaded->Item(1).request), Fields(shown->Item(0).request));
}

TEST(FavoriteStore, RewriteWritesExactlyTheGivenEntries) {
  testing::TempFolder work;
  testing::WriteText(work.Join(kFavoriteFileName),
                     "<favorite><bookmark name=\"unlisted\"/>"
                     "<bookmark name=\"old\"><searchcontext><keyword>k</keyword>"
                     "</searchcontext></bookmark></favorite>");
  const SearchRequest dated = MakeSearchRequest("报告", "D:\\", kCategoryPictures, true, 2008, 3);
  {
    // A new order replaces everything, the bookmark the list never showed included.
    ASSERT_TRUE(RewriteFavorites({{"二", dated}, {"one", SearchRequest()}}, work.Path()));
    auto reread = FavoriteStore::Open(work.Path());
    ASSERT_EQ(reread->Count(), 2u);
    EXPECT_EQ(reread->Item(0).title + reread->Item(1).title, "二one");
    EXPECT_EQ(Fields(reread->Item(0).request), Fields(dated));
    EXPECT_EQ(testing::ReadText(reread->FilePath()).find("unlisted"), std::string::npos);
  }
  {
    // Nothing left: the file holds the declaration and an empty root.
    ASSERT_TRUE(RewriteFavorites({}, work.Path()));
    EXPECT_EQ(Bookmarks(work.Join(kFavoriteFileName)), "");
    const std::string text = testing::ReadText(work.Join(kFavoriteFileName));
    EXPECT_NE(text.find("<?xml version=\"1.0\" encoding=\"gb2312\" ?>"), std::string::npos);
    EXPECT_NE(text.find("<favorite />"), std::string::npos) << text;
    EXPECT_EQ(FavoriteStore::Open(work.Path())->Count(), 0u);
  }
}

}  // namespace
}  // namespace sorvik
