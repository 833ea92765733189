#include "tools/junk_cleaner.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/drives.h"
#include "testing/junk_test_support.h"
#include "testing/test_util.h"
#include "widgets/window_test_support.h"

namespace sorvik {
namespace {

using testing::Exists;
using testing::MakeFolder;
using testing::MakeUnixLink;
using testing::TempFolder;
using testing::Touch;

TEST(JunkCleaner, EmptiesTheTreeButKeepsTheFolderAndWhatIsInUse) {
  TempFolder root;
  const std::string junk = root.Join("junk");
  MakeFolder(junk + "\\a\\b\\c");
  MakeFolder(junk + "\\busy");
  MakeFolder(junk + "\\empty");
  for (const char* file : {"\\1.tmp", "\\a\\2.tmp", "\\a\\b\\c\\3.tmp", "\\busy\\sibling.tmp",
                           "\\busy\\held.tmp", "\\中文名.tmp"})
    Touch(junk + file);
  // Held open without delete sharing, as a running program holds its file.
  HANDLE held = CreateFileA((junk + "\\busy\\held.tmp").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  JunkCleaner cleaner({});
  EXPECT_EQ(cleaner.EmptyFolder(junk + "\\"), 9);  // six files less the held one, four folders
  CloseHandle(held);

  EXPECT_TRUE(Exists(junk));
  EXPECT_TRUE(Exists(junk + "\\busy\\held.tmp"));
  EXPECT_FALSE(Exists(junk + "\\busy\\sibling.tmp"));
  for (const char* gone : {"\\1.tmp", "\\a", "\\empty", "\\中文名.tmp"})
    EXPECT_FALSE(Exists(junk + gone)) << gone;
}

TEST(JunkCleaner, OnlyTheAllowedFoldersAreEmptied) {
  TempFolder root;
  const std::string temp = root.Join("Temp");
  for (const std::string& folder : {temp, root.Join("Temp2"), root.Join("Temp.bak"),
                                    root.Join("Temp\\inner"), root.Join("other\\Temp")}) {
    MakeFolder(folder);
    Touch(folder + "\\x.tmp");
  }
  JunkCleaner cleaner({});
  cleaner.AllowOnly({temp + "\\", ""});
  {  // look-alikes, a folder inside the allowed one and one above it are refused
    for (const char* other : {"Temp2", "Temp.bak", "Temp\\inner", "other\\Temp", ""}) {
      EXPECT_FALSE(cleaner.MayEmpty(root.Join(other))) << other;
      EXPECT_EQ(cleaner.EmptyFolder(root.Join(other)), 0) << other;
    }
    EXPECT_TRUE(Exists(root.Join("Temp2\\x.tmp")));
    EXPECT_TRUE(Exists(root.Join("Temp\\inner\\x.tmp")));
  }
  {  // the allowed folder under another spelling: letter case, "..", no trailing backslash
    EXPECT_TRUE(cleaner.MayEmpty(root.Join("other\\..\\TEMP")));
    EXPECT_EQ(cleaner.EmptyFolder(temp), 3);  // x.tmp, inner\x.tmp, inner
    EXPECT_TRUE(Exists(temp));
  }
  {  // allowing nothing empties nothing
    cleaner.AllowOnly({});
    Touch(temp + "\\y.tmp");
    EXPECT_EQ(cleaner.EmptyFolder(temp), 0);
    EXPECT_TRUE(Exists(temp + "\\y.tmp"));
  }
}

TEST(JunkCleaner, NeverFollowsLinksOutOfTheFolder) {
  TempFolder root;
  const std::string junk = root.Join("junk");
  MakeFolder(junk);
  MakeFolder(root.Join("outside"));
  MakeFolder(root.Join("outside-empty"));
  Touch(root.Join("outside\\precious.doc"));
  Touch(junk + "\\1.tmp");
  if (!MakeUnixLink(root.Join("outside"), junk + "\\link") ||
      !MakeUnixLink(root.Join("outside-empty"), junk + "\\link-empty") ||
      !MakeUnixLink(root.Join("outside\\precious.doc"), junk + "\\file-link"))
    GTEST_SKIP() << "symbolic links cannot be made here";
  ASSERT_TRUE(GetFileAttributesA((junk + "\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

  JunkCleaner cleaner({});
  EXPECT_EQ(cleaner.EmptyFolder(junk), 1);
  EXPECT_FALSE(Exists(junk + "\\1.tmp"));
  EXPECT_TRUE(Exists(root.Join("outside\\precious.doc")));
  // Removing a link to an empty folder would take the target with it under Wine.
  EXPECT_TRUE(Exists(root.Join("outside-empty")));
}

TEST(JunkCleaner, SkipsEntriesTooLongForThePathBuffer) {
  TempFolder root;
  const std::string junk = root.Join("junk");
  // Folders down to between 220 and 250 bytes, then a file whose full path passes 260.
  std::string deep = junk;
  while (deep.size() + 31 < 250) deep += "\\" + std::string(30, 'd');
  ASSERT_GE(deep.size(), 220u);
  ASSERT_TRUE(testing::MakeLongFolder(deep));
  const std::string too_long = deep + "\\" + std::string(40, 'f') + ".tmp";
  ASSERT_TRUE(testing::TouchLong(too_long));
  Touch(deep + "\\s.tmp");
  Touch(junk + "\\top.tmp");

  JunkCleaner cleaner({});
  cleaner.EmptyFolder(junk);
  EXPECT_FALSE(Exists(junk + "\\top.tmp"));
  EXPECT_FALSE(Exists(deep + "\\s.tmp"));
  EXPECT_TRUE(testing::ExistsLong(too_long));
  EXPECT_TRUE(Exists(deep));  // it still holds the long one
}

TEST(JunkCleaner, RefusesRootsAndKeptFolders) {
  TempFolder root;
  const std::string profile = root.Join("Profile");
  MakeFolder(profile + "\\Local Settings\\Temp");
  JunkCleaner cleaner({profile});
  // Too short, drive roots however written, shares, device paths.
  for (const char* path :
       {"", "C:", "C:\\", "C:\\.", "C:\\.\\", "C:\\..\\", "C:\\a\\..", "\\\\server\\share",
        "\\\\server\\share\\", "\\\\?\\C:\\Temp", "\\\\.\\C:\\Temp"})
    EXPECT_FALSE(cleaner.MayEmpty(path)) << path;
  // A kept folder however written, and a folder that holds it; a folder inside it is fine.
  for (const std::string& path : {profile, profile + "\\", root.Join("PROFILE"),
                                  profile + "\\Local Settings\\..", root.Path()})
    EXPECT_FALSE(cleaner.MayEmpty(path)) << path;
  EXPECT_TRUE(cleaner.MayEmpty(profile + "\\Local Settings\\Temp"));
  EXPECT_TRUE(cleaner.MayEmpty(root.Join("Profile2")));

  // The system's own: the profile, Windows and system folders and what holds them.
  JunkCleaner system(JunkCleaner::SystemKeptFolders());
  char windows[MAX_PATH] = {0};
  GetWindowsDirectoryA(windows, MAX_PATH);
  char profile_env[MAX_PATH] = {0};
  GetEnvironmentVariableA("USERPROFILE", profile_env, MAX_PATH);
  ASSERT_NE(profile_env[0], '\0');
  const std::string users =
      std::string(profile_env).substr(0, std::string(profile_env).rfind('\\'));
  for (const std::string& path :
       {std::string(windows), std::string(windows) + "\\system32", std::string(profile_env), users})
    EXPECT_FALSE(system.MayEmpty(path)) << path;
  EXPECT_TRUE(system.MayEmpty(std::string(windows) + "\\Temp"));
  EXPECT_TRUE(system.MayEmpty(std::string(profile_env) + "\\Temp"));
}

TEST(JunkCleaner, BareDriveRootIsNeverEmptied) {
  testing::TestDriveLock lock;
  TempFolder drive;
  Touch(drive.Join("keep.txt"));
  MakeFolder(drive.Join("folder"));
  Touch(drive.Join("folder\\keep2.txt"));
  ASSERT_TRUE(MapTestDrive('X', drive.Path(), kDriveFixed));
  JunkCleaner cleaner({});
  for (const char* root : {"X:", "X:\\", "X:\\\\", "X:\\.\\", "X:\\folder\\.."})
    EXPECT_EQ(cleaner.EmptyFolder(root), 0) << root;
  EXPECT_TRUE(Exists("X:\\keep.txt"));
  EXPECT_TRUE(Exists("X:\\folder\\keep2.txt"));
  // A folder on the drive is emptied as anywhere else.
  EXPECT_EQ(cleaner.EmptyFolder("X:\\folder"), 1);
  UnmapTestDrive('X');
  EXPECT_TRUE(Exists(drive.Join("keep.txt")));
  EXPECT_FALSE(Exists(drive.Join("folder\\keep2.txt")));
}

}  // namespace
}  // namespace sorvik
