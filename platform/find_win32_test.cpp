#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/find.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

// Folders and files made by their UTF-16 names, past what the code page can hold.
bool MakeWideFolder(const std::wstring& path) {
  return CreateDirectoryW(path.c_str(), nullptr) != 0;
}

bool MakeWideFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// Every result of listing `folder`, by name.
std::map<std::string, FindRecord> ListAll(const FindPath& folder) {
  std::map<std::string, FindRecord> found;
  FindRecord record;
  intptr_t handle = FindFirstIn(folder, &record);
  if (handle == kInvalidFind) return found;
  do {
    found[record.name] = record;
  } while (FindNextEntry(handle, &record));
  FindCloseEntry(handle);
  return found;
}

std::vector<std::string> NamesIn(const FindPath& folder) {
  std::vector<std::string> names;
  for (const auto& entry : ListAll(folder)) names.push_back(entry.first);
  return names;
}

const std::wstring kHan = L"\xD55C";                // 한
const std::wstring kEmoji = L"\xD83D\xDE00";        // 😀, two UTF-16 units
const std::string kHanUtf8 = "\xED\x95\x9C";        // 한 in UTF-8
const std::string kEmojiUtf8 = "\xF0\x9F\x98\x80";  // 😀 in UTF-8

class FindWideNames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(MapTestDrive('P', folder_.Path(), kDriveFixed));
    ASSERT_TRUE(MakeWideFolder(L"P:\\" + kHan + L"_dir"));
    ASSERT_TRUE(MakeWideFile(L"P:\\" + kHan + L"_dir\\inside.txt"));
    ASSERT_TRUE(MakeWideFolder(L"P:\\" + kHan + L"_dir\\" + kEmoji + L"_dir"));
    ASSERT_TRUE(MakeWideFile(L"P:\\" + kHan + L"_dir\\" + kEmoji + L"_dir\\deep.txt"));
    ASSERT_TRUE(MakeWideFolder(L"P:\\" + kHan + L"_dir\\\x4E2D"));  // 中: the code page holds it
    ASSERT_TRUE(MakeWideFile(L"P:\\" + kHan + L"_dir\\\x4E2D\\z.txt"));
  }
  void TearDown() override { UnmapTestDrive('P'); }

  testing::TempFolder folder_;
};

TEST_F(FindWideNames, AFolderWhoseAnsiNameLostCharactersIsReachedAnotherWay) {
  auto found = ListAll(FindPath{"P:", false});
  ASSERT_EQ(found.count("?_dir"), 1u);
  const FindRecord& lost = found["?_dir"];
  EXPECT_TRUE(lost.attributes & kAttributeDirectory);
  // The short 8.3 name where the volume has one, otherwise the wide name.
  ASSERT_TRUE(lost.reach_form == kReachProgram || lost.reach_form == kReachNative);
  if (lost.reach_form == kReachNative) {
    EXPECT_EQ(std::string(lost.reach), kHanUtf8 + "_dir");
  }
  ::testing::Test::RecordProperty("reached_by_short_name", lost.reach_form == kReachProgram);
  FindPath inside;
  ASSERT_TRUE(JoinFindPath(FindPath{"P:", false}, lost, &inside));
  EXPECT_EQ(NamesIn(inside),
            (std::vector<std::string>{".", "..", "??_dir", "inside.txt", "\xD6\xD0"}));
}

// A volume without short names: the folder is reached through its wide name, and so is every
// folder below it, whether its name lost characters or not.
TEST_F(FindWideNames, BelowAFolderReachedByItsWideNameTheWideCallsList) {
  FindRecord lost = {};
  lost.attributes = kAttributeDirectory;
  std::strcpy(lost.name, "?_dir");
  lost.reach_form = kReachNative;
  std::strcpy(lost.reach, (kHanUtf8 + "_dir").c_str());
  FindPath inside;
  ASSERT_TRUE(JoinFindPath(FindPath{"P:", false}, lost, &inside));
  EXPECT_TRUE(inside.native);
  auto found = ListAll(inside);
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found["inside.txt"].reach_form, kReachByName);
  EXPECT_EQ(found["\xD6\xD0"].reach_form, kReachByName);
  ASSERT_EQ(found["??_dir"].reach_form, kReachNative);
  EXPECT_EQ(std::string(found["??_dir"].reach), kEmojiUtf8 + "_dir");
  FindPath emoji, chinese;
  ASSERT_TRUE(JoinFindPath(inside, found["??_dir"], &emoji));
  ASSERT_TRUE(JoinFindPath(inside, found["\xD6\xD0"], &chinese));
  EXPECT_TRUE(emoji.native && chinese.native);
  EXPECT_EQ(NamesIn(emoji), (std::vector<std::string>{".", "..", "deep.txt"}));
  EXPECT_EQ(NamesIn(chinese), (std::vector<std::string>{".", "..", "z.txt"}));
}

// A volume without short names: the ANSI listing finds each such folder's wide name, also
// among several folders whose ANSI names are the same, and for patterns other than "*".
TEST_F(FindWideNames, WithoutShortNamesTheWideNameIsLookedUp) {
  ASSERT_TRUE(MakeWideFolder(L"P:\\\xAD6D_dir"));  // 국_dir: "?_dir" too
  ASSERT_TRUE(MakeWideFile(L"P:\\\xAD6D_dir\\other.txt"));
  ASSERT_TRUE(MakeWideFolder(L"P:\\plain_dir"));
  IgnoreShortNames(true);
  for (const char* pattern : {"P:\\*", "P:\\*_dir"}) {
    std::vector<std::string> reached;
    FindRecord record;
    intptr_t handle = FindFirstEntry(pattern, &record);
    ASSERT_NE(handle, kInvalidFind);
    do {
      if (std::string(record.name) == "?_dir") {
        EXPECT_EQ(record.reach_form, kReachNative);
        reached.push_back(record.reach);
      } else {
        EXPECT_EQ(record.reach_form, kReachByName) << record.name;
      }
    } while (FindNextEntry(handle, &record));
    FindCloseEntry(handle);
    std::sort(reached.begin(), reached.end());
    EXPECT_EQ(reached, (std::vector<std::string>{"\xEA\xB5\xAD_dir", kHanUtf8 + "_dir"}))
        << pattern;
  }
  IgnoreShortNames(false);
}

// The paths recorded below such a folder keep the "?" the user sees; what acts on them through
// the ANSI calls (opening, deleting) is refused, never carried out on another file that "?"
// would match as a wildcard.
TEST_F(FindWideNames, RecordedPathsWithLostCharactersReachNothing) {
  ASSERT_TRUE(MakeWideFolder(L"P:\\a_dir"));  // "?_dir" as a pattern would match it
  ASSERT_TRUE(MakeWideFile(L"P:\\a_dir\\inside.txt"));
  EXPECT_EQ(GetFileAttributesA("P:\\?_dir\\inside.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(DeleteFileA("P:\\?_dir\\inside.txt"));
  EXPECT_EQ(std::remove("P:\\?_dir\\inside.txt"), -1);
  EXPECT_NE(GetFileAttributesW(L"P:\\a_dir\\inside.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW((L"P:\\" + kHan + L"_dir\\inside.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace sorvik
