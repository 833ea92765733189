// Where the program keeps its working files: its own folder when it may write there, the user's
// own folder otherwise.
#include <gtest/gtest.h>
#include <windows.h>

#include "settings/working_folder.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

TEST(WorkingFolder, OwnFolderWhenWritableElseTheUsersOwn) {
  testing::TempFolder program;
  {
    // A folder the program may write: kept, with a trailing backslash, and the probe removed.
    EXPECT_TRUE(CanWriteIn(program.Path()));
    EXPECT_EQ(ChooseWorkingFolder(program.Path()), program.Path() + "\\");
    EXPECT_EQ(ChooseWorkingFolder(program.Path() + "\\"), program.Path() + "\\");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((program.Path() + "\\*.tmp").c_str(), &data);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << data.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
  }
  {
    // A folder it cannot write (here: one that cannot be created in): the user's local
    // application data folder "Sorvik", which exists and can be written.
    const std::string closed = program.Join("missing\\deeper");
    EXPECT_FALSE(CanWriteIn(closed));
    const std::string own = ChooseWorkingFolder(closed);
    const std::string tail = std::string("\\") + kPerUserFolderName + "\\";
    ASSERT_GT(own.size(), tail.size());
    EXPECT_EQ(own.substr(own.size() - tail.size()), tail);
    EXPECT_EQ(own, PerUserWorkingFolder());
    EXPECT_TRUE(CanWriteIn(own));
    char local[MAX_PATH] = {0};
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    if (local[0] != '\0') {
      EXPECT_EQ(own, std::string(local) + tail);
    }
  }
}

}  // namespace
}  // namespace sorvik
