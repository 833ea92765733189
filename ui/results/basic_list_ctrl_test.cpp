#include "ui/results/basic_list_ctrl.h"
// The shell's system image lists.
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>

#include "platform/local_time.h"
#include "testing/list_test_support.h"
#include "testing/test_util.h"
#include "ui/results/icon_cache.h"
#include "ui/results/shell_details.h"

namespace sorvik {
namespace {

using testing::CellOf;
using testing::FakeDetails;
using testing::ListHolder;
using testing::MakeResult;
using testing::RowCount;

TEST(RowText, TipBufferIsNeverOverrunNorACharacterSplit) {
  const std::string text = "ab中文";  // 2 ASCII bytes, then two 2-byte characters
  char buffer[10];
  {
    // Cut inside "中": only "ab" and the zero fit in 4 bytes; nothing past them is written.
    std::memset(buffer, 'x', sizeof buffer);
    CopyTipText(text, buffer, 4);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(std::string(buffer + 3, 7), std::string(7, 'x'));
  }
  {
    // Room for a whole character: it is kept.
    CopyTipText(text, buffer, 5);
    EXPECT_STREQ(buffer, "ab中");
    CopyTipText(text, buffer, 7);
    EXPECT_EQ(std::string(buffer), text);
  }
  {
    // One byte holds just the zero; no room at all writes nothing.
    std::memset(buffer, 'x', sizeof buffer);
    CopyTipText(text, buffer, 1);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'x';
    CopyTipText(text, buffer, 0);
    EXPECT_EQ(buffer[0], 'x');
    CopyTipText(text, nullptr, 5);
  }
  {
    // A lone lead byte at the end is one character.
    CopyTipText("a\xD6", buffer, 3);
    EXPECT_STREQ(buffer, "a\xD6");
  }
}

TEST(RowText, IconKeysSizesAndTimes) {
  auto entry = [](const std::string& name, uint64_t size) {
    return EntryDetails{0, size, name, "C:\\docs"};
  };
  {
    // Extensions in upper case from the last dot; folders share one key.
    EXPECT_EQ(IconKeyOf(entry("notes.backup.txt", 1)), ".TXT");
    EXPECT_EQ(IconKeyOf(entry("Photo.JpG", 1)), ".JPG");
    EXPECT_EQ(IconKeyOf(entry("music.mp3", kFolderSize)), ":dir:");
  }
  {
    // Shortcuts, programs, icons and names without extension have their own icon each.
    for (const char* name : {"a.lnk", "b.EXE", "c.Ico", "README"}) {
      EXPECT_EQ(IconKeyOf(entry(name, 1)), "") << name;
    }
  }
  {
    // A trail byte that looks like a letter is not changed ("\xB1\x61" is one character).
    EXPECT_EQ(IconKeyOf(entry("x.\xB1\x61z", 1)), ".\xB1\x61Z");
  }
  {
    // Folders have no size text; files get the shell's text.
    EXPECT_EQ(ByteSizeText(kFolderSize), "");
    EXPECT_FALSE(ByteSizeText(1536).empty());
  }
  {
    // Times are shown in local time.
    int64_t seconds = 0;
    ASSERT_TRUE(LocalToUnixSeconds(2008, 5, 6, 7, 8, &seconds));
    EXPECT_EQ(ModifiedTimeText(static_cast<uint64_t>(seconds)), "2008-05-06 07:08");
    EXPECT_EQ(ModifiedTimeText(~0ull), "");
  }
}

TEST(IconCache, OneLookupPerKeyExceptOwnIconFiles) {
  std::vector<std::string> asked;
  IconCache cache([&asked](const std::string& path) {
    asked.push_back(path);
    return path.find("missing") != std::string::npos ? -1 : static_cast<int>(asked.size());
  });
  auto entry = [](const std::string& name, uint64_t size = 1) {
    return EntryDetails{0, size, name, "C:\\d"};
  };
  {
    // Two text files share one entry: the shell is asked once.
    const int first = cache.IndexOf(entry("a.txt"));
    EXPECT_EQ(cache.IndexOf(entry("B.TXT")), first);
    EXPECT_EQ(asked, std::vector<std::string>{"C:\\d\\a.txt"});
  }
  {
    // Folders share the ":dir:" entry.
    const int folder = cache.IndexOf(entry("x", kFolderSize));
    EXPECT_EQ(cache.IndexOf(entry("y", kFolderSize)), folder);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(cache.size(), 2u);
  }
  {
    // Shortcuts, programs and icons are asked every time and never cached.
    for (const char* name : {"s.lnk", "s.lnk", "p.exe", "i.ico", "noext"}) {
      cache.IndexOf(entry(name));
    }
    EXPECT_EQ(asked.size(), 7u);
    EXPECT_EQ(cache.size(), 2u);
  }
  {
    // A failed look-up is not kept: the next file of that kind asks again.
    EXPECT_EQ(cache.IndexOf(entry("missing.doc")), -1);
    EXPECT_GT(cache.IndexOf(entry("found.doc")), 0);
    EXPECT_EQ(asked.size(), 9u);
  }
}

// A list in a holder window, with entries "b.txt", "a.txt", "c" (a folder).
class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(list.Create(holder.hwnd, RECT{0, 0, 700, 500}));
    ListHolder::list() = &list;
    b = details.Add("C:\\docs", "b.txt", 1536);
    a = details.Add("C:\\docs", "a.txt", 10);
    c = details.Add("C:", "c", kFolderSize);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int row = 0; row < RowCount(list.Handle()); ++row)
      names.push_back(CellOf(list.Handle(), row, 0));
    return names;
  }
  void ClickColumn(int column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list.Handle();
    click.hdr.idFrom = kResultListId;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(holder.hwnd, WM_NOTIFY, kResultListId, reinterpret_cast<LPARAM>(&click));
  }

  void TearDown() override { ListHolder::list() = nullptr; }

  FakeDetails details;
  ListHolder holder;
  CBasicListCtrl list;
  uint32_t a = 0, b = 0, c = 0;
};

TEST_F(ListTest, RowsAndCellsComeFromTheResult) {
  int64_t seconds = 0;
  ASSERT_TRUE(LocalToUnixSeconds(2009, 12, 31, 23, 59, &seconds));
  details.entries[b].modifiedTime = static_cast<uint64_t>(seconds);
  list.SetResult(MakeResult(&details, {b, a, c}));
  {
    // One row per id of the page, cells by column.
    ASSERT_EQ(RowCount(list.Handle()), 3);
    EXPECT_EQ(CellOf(list.Handle(), 0, 0), "b.txt");
    EXPECT_EQ(CellOf(list.Handle(), 0, 1), "C:\\docs");
    EXPECT_EQ(CellOf(list.Handle(), 0, 2), "2009-12-31 23:59");
    EXPECT_EQ(CellOf(list.Handle(), 0, 3), ByteSizeText(1536));
  }
  {
    // A folder's size cell is empty.
    EXPECT_EQ(CellOf(list.Handle(), 2, 0), "c");
    EXPECT_EQ(CellOf(list.Handle(), 2, 3), "");
  }
  {
    // No result: no rows.
    list.SetResult(nullptr);
    EXPECT_EQ(RowCount(list.Handle()), 0);
  }
}

TEST_F(ListTest, EachNewResultReleasesThePreviousOne) {
  SearchResult* first = MakeResult(&details, {a});
  first->AddRef();  // the test's own reference
  list.SetResult(first);
  EXPECT_EQ(first->refCount(), 2);
  list.SetResult(MakeResult(&details, {b, c}));
  EXPECT_EQ(first->refCount(), 1);
  EXPECT_EQ(RowCount(list.Handle()), 2);
  {
    // Before exit: rows gone, image lists detached; the result stays.
    list.ReleaseItems();
    EXPECT_EQ(RowCount(list.Handle()), 0);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0), 0);
    EXPECT_NE(list.Result(), nullptr);
  }
  first->Release();
}

TEST_F(ListTest, SortAlternatesAndANewResultOnlyClearsTheMark) {
  list.SetResult(MakeResult(&details, {b, a, c}));
  {
    // First click: descending.
    ClickColumn(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b.txt", "a.txt"}));
    EXPECT_EQ(list.SortMarkColumn(), 0);
    EXPECT_FALSE(list.SortMarkAscending());
  }
  {
    // Second click on the same column: ascending.
    ClickColumn(0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c"}));
    EXPECT_TRUE(list.SortMarkAscending());
  }
  {
    // Another column starts again descending (sizes: the folder first).
    list.SortByColumn(3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"c", "b.txt", "a.txt"}));
    EXPECT_EQ(list.SortMarkColumn(), 3);
    EXPECT_FALSE(list.SortMarkAscending());
  }
  {
    // A new result removes the mark; the next click on the same column continues: ascending.
    list.SetResult(MakeResult(&details, {c, b, a}));
    EXPECT_EQ(list.SortMarkColumn(), -1);
    list.SortByColumn(3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c"}));
    EXPECT_TRUE(list.SortMarkAscending());
  }
  {
    // Columns outside the four change nothing.
    list.SortByColumn(4);
    EXPECT_EQ(list.SortMarkColumn(), 3);
  }
}

HIMAGELIST ImageListOf(HWND list, int which) {
  return reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, which, 0));
}

TEST_F(ListTest, ViewModesAndThumbnails) {
  SHFILEINFOA info = {};
  const auto system_large = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  const auto system_small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ::sorvik::testing::TempFolder folder;
  ::sorvik::testing::WriteText(folder.Join("shown.txt"), "text");
  const uint32_t real = details.Add(folder.Path(), "shown.txt", 4);
  list.SetResult(MakeResult(&details, {real, a, b}));
  auto view = [this] { return GetWindowLongA(list.Handle(), GWL_STYLE) & LVS_TYPEMASK; };
  {
    // Details use the system image lists.
    EXPECT_EQ(view(), LVS_REPORT);
    EXPECT_EQ(ImageListOf(list.Handle(), LVSIL_SMALL), system_small);
    EXPECT_EQ(ImageListOf(list.Handle(), LVSIL_NORMAL), system_large);
  }
  {
    // Thumbnails: icon view with a private 96 x 96 list, one slot per row.
    list.SetViewMode(kViewThumbnails);
    EXPECT_EQ(list.GetViewMode(), kViewThumbnails);
    EXPECT_EQ(view(), LVS_ICON);
    HIMAGELIST thumbnails = ImageListOf(list.Handle(), LVSIL_NORMAL);
    ASSERT_NE(thumbnails, system_large);
    EXPECT_EQ(ImageListOf(list.Handle(), LVSIL_SMALL), thumbnails);
    EXPECT_EQ(ImageList_GetImageCount(thumbnails), 3);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(thumbnails, &cx, &cy);
    EXPECT_EQ(cx, 96);
    EXPECT_EQ(cy, 96);
    // An existing file gets a picture in its own slot.
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = 0;
    ASSERT_TRUE(SendMessageA(list.Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.iImage, 0);
    // A new result gets a list of its own size.
    list.SetResult(MakeResult(&details, {a}));
    EXPECT_EQ(ImageList_GetImageCount(ImageListOf(list.Handle(), LVSIL_NORMAL)), 1);
  }
  {
    // Back to details: the system lists and the four columns again.
    list.SetViewMode(kViewDetails);
    EXPECT_EQ(view(), LVS_REPORT);
    EXPECT_EQ(ImageListOf(list.Handle(), LVSIL_SMALL), system_small);
    EXPECT_EQ(ImageListOf(list.Handle(), LVSIL_NORMAL), system_large);
    EXPECT_EQ(SendMessageA(ListView_GetHeader(list.Handle()), HDM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(CellOf(list.Handle(), 0, 0), "a.txt");
    list.SetViewMode(7);  // not a mode: nothing changes
    EXPECT_EQ(list.GetViewMode(), kViewDetails);
  }
}

TEST_F(ListTest, TipTextLines) {
  int64_t seconds = 0;
  ASSERT_TRUE(LocalToUnixSeconds(2010, 1, 2, 3, 4, &seconds));
  const uint32_t file =
      details.Add("C:\\sorvik-no-such-folder", "report.doc", 2048, static_cast<uint64_t>(seconds));
  const uint32_t dir =
      details.Add("C:\\sorvik-no-such-folder", "sub", kFolderSize, static_cast<uint64_t>(seconds));
  ::sorvik::testing::TempFolder folder;
  ::sorvik::testing::WriteText(folder.Join("real.txt"), "text");
  const uint32_t real = details.Add(folder.Path(), "real.txt", 4);
  list.SetResult(MakeResult(&details, {file, dir, real}));
  {
    // A file: name, size, time, folder; no trailing line break.
    EXPECT_EQ(list.InfoTipText(0),
              "文件名：report.doc\n大　小：" + ByteSizeText(2048) +
                  "\n修改日期：2010-01-02 03:04\n文件夹：C:\\sorvik-no-such-folder");
  }
  {
    // A folder has no size line.
    EXPECT_EQ(list.InfoTipText(1),
              "文件名：sub\n修改日期：2010-01-02 03:04\n文件夹：C:\\sorvik-no-such-folder");
  }
  {
    // An existing file may add the shell's details, each as "title：value".
    const std::string tip = list.InfoTipText(2);
    const std::string base = "文件名：real.txt\n大　小：" + ByteSizeText(4) + "\n";
    EXPECT_EQ(tip.compare(0, base.size(), base), 0) << tip;
    EXPECT_NE(tip.back(), '\n');
  }
  {
    // Rows outside the page have no tip.
    EXPECT_EQ(list.InfoTipText(3), "");
    EXPECT_EQ(list.InfoTipText(-1), "");
  }
}

TEST_F(ListTest, AStalePageShowsNothingAndItsReplacementKeepsTheView) {
  std::vector<uint32_t> ids;
  for (int i = 0; i < 300; ++i)
    ids.push_back(details.Add("C:\\many", "n" + std::to_string(1000 + i), 1));
  list.SetResult(MakeResult(&details, ids));
  list.SortByColumn(0);  // descending by name
  SendMessageA(list.Handle(), LVM_ENSUREVISIBLE, 200, FALSE);
  const int top = static_cast<int>(SendMessageA(list.Handle(), LVM_GETTOPINDEX, 0, 0));
  ASSERT_GT(top, 0);
  LVITEMA selected = {};
  selected.stateMask = selected.state = LVIS_SELECTED;
  SendMessageA(list.Handle(), LVM_SETITEMSTATE, top, reinterpret_cast<LPARAM>(&selected));
  {  // a new index: the rows of the old page have no text and no tip
    details.generation = 2;
    EXPECT_EQ(CellOf(list.Handle(), top, 0), "");
    EXPECT_EQ(list.InfoTipText(top), "");
  }
  {  // the same page of the new index: sorted as before, nothing selected, same first row
    list.ReplaceResult(MakeResult(&details, ids));
    EXPECT_EQ(CellOf(list.Handle(), 0, 0), "n1299");
    EXPECT_EQ(list.SortMarkColumn(), 0);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETSELECTEDCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETTOPINDEX, 0, 0), top);
  }
  {  // a shorter page ends on its last row
    list.ReplaceResult(MakeResult(&details, {ids[0], ids[1]}));
    EXPECT_EQ(RowCount(list.Handle()), 2);
    EXPECT_EQ(SendMessageA(list.Handle(), LVM_GETTOPINDEX, 0, 0), 0);
  }
}

// Thumbnails stand on the bottom of their slot, right above their label, and a label never
// reaches the next row of thumbnails.
TEST_F(ListTest, ThumbnailLabelsSitUnderTheirPictures) {
  ::sorvik::testing::TempFolder folder;
  ::sorvik::testing::WriteText(folder.Join("shown.txt"), "text");
  std::vector<uint32_t> ids;
  for (int i = 0; i < 40; ++i) ids.push_back(details.Add(folder.Path(), "shown.txt", 4));
  list.SetResult(MakeResult(&details, ids));
  list.SetViewMode(kViewThumbnails);
  {  // the next row starts below the first row's label
    RECT label = {LVIR_LABEL, 0, 0, 0};
    SendMessageA(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
    int below = -1;  // the first item of the second row
    for (int i = 1; i < 40 && below < 0; ++i) {
      POINT at;
      SendMessageA(list.Handle(), LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&at));
      POINT first;
      SendMessageA(list.Handle(), LVM_GETITEMPOSITION, 0, reinterpret_cast<LPARAM>(&first));
      if (at.y > first.y) below = i;
    }
    ASSERT_GT(below, 0);
    RECT next = {LVIR_ICON, 0, 0, 0};
    SendMessageA(list.Handle(), LVM_GETITEMRECT, below, reinterpret_cast<LPARAM>(&next));
    EXPECT_GE(next.top, label.bottom);
  }
  {  // the picture's lowest pixels are at the bottom of the slot
    HBITMAP picture = MakeThumbnail(details.entries[ids[0]]);
    ASSERT_NE(picture, nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kThumbnailSize;
    info.bmiHeader.biHeight = -kThumbnailSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<uint32_t> pixels(kThumbnailSize * kThumbnailSize);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, picture, 0, kThumbnailSize, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(picture);
    int lowest = -1;
    for (int y = 0; y < kThumbnailSize; ++y)
      for (int x = 0; x < kThumbnailSize; ++x)
        if ((pixels[y * kThumbnailSize + x] & 0xFFFFFF) != 0xFFFFFF) lowest = y;
    EXPECT_GE(lowest, kThumbnailSize - 8);
  }
}

}  // namespace
}  // namespace sorvik
