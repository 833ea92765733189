// The command line read as UTF-16: keywords with characters the code page cannot hold are usage
// errors that name the character, in-process and in a real sorvik-cli started with a wide
// command line.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_test_support.h"
#include "cli/wide_arguments.h"
#include "favourites/favorite_store.h"
#include "platform/fs.h"
#include "testing/test_util.h"

namespace sorvik {
namespace {

std::wstring Widen(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  const int n =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n - 1 : 0);
  return wide;
}

TEST(WideArguments, ConvertedToTheCodePageWithTheLostWordsRemembered) {
  const std::vector<std::string> args =
      ArgumentsFromWide(L"sorvik-cli.exe search \"a \xD55C\xAD6D\" \x62A5\x544A x\xD83D\xDE00");
  // Korean and the emoji turn into "?" (one per UTF-16 unit), Chinese into GBK.
  EXPECT_EQ(args, (std::vector<std::string>{"search", "a ??", "\xB1\xA8\xB8\xE6", "x??"}));
  std::string name;
  ASSERT_TRUE(FindLostCharacter("b ??", &name));
  EXPECT_EQ(name, "U+D55C");
  ASSERT_TRUE(FindLostCharacter("x??", &name));
  EXPECT_EQ(name, "U+1F600");
  // Words that lost nothing are fine, however they look.
  EXPECT_FALSE(FindLostCharacter("a \xB1\xA8\xB8\xE6 x?", &name));
}

TEST(WideArguments, KeywordsTheCodePageCannotHoldAreUsageErrors) {
  testing::TempFolder work;
  const std::wstring at = L" --work \"" + Widen(work.Path()) + L"\" ";
  for (const std::wstring& keyword :
       {std::wstring(L"\xD55C\xAD6D\xC5B4"), std::wstring(L"x\xD83D\xDE00")}) {
    for (const std::wstring& command :
         {std::wstring(L"search"), std::wstring(L"favorites add t")}) {
      CliRun run(ArgumentsFromWide((L"sorvik-cli " + command + at + keyword).c_str()));
      EXPECT_EQ(run.status, kExitUsage);
      EXPECT_NE(run.err.find("the keyword character 'U+"), std::string::npos) << run.err;
    }
  }
  // The same character in a location, given apart or after "=", with or without a space.
  for (const std::wstring& location :
       {std::wstring(L"--location \"D:\\a \xD55C\""), std::wstring(L"--location=D:\\\xD55C"),
        std::wstring(L"\"--location=D:\\x \xD55C\"")}) {
    for (const std::wstring& command :
         {std::wstring(L"search"), std::wstring(L"favorites add t")}) {
      CliRun run(ArgumentsFromWide((L"sorvik-cli " + command + at + location + L" x").c_str()));
      EXPECT_EQ(run.status, kExitUsage) << run.err;
      EXPECT_NE(run.err.find("the --location character 'U+D55C'"), std::string::npos) << run.err;
    }
  }
  EXPECT_FALSE(PathExists(work.Join("NFavorite") + testing::kSep + kFavoriteFileName));
  // Chinese is fine (no index here yet: exit 1, not 2).
  EXPECT_EQ(CliRun(ArgumentsFromWide((L"sorvik-cli search" + at + L"\x62A5\x544A").c_str())).status,
            kExitNoIndex);
}

// The real program, started with a wide command line: what its main reads.
TEST(WideArguments, TheProgramReadsItsCommandLineAsUtf16) {
  testing::TempFolder scratch;
  std::string program = std::string("Z:") + SORVIK_CLI_PATH;
  for (char& c : program) {
    if (c == '/') c = '\\';
  }
  const std::string err_file = scratch.Join("err.txt");
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE err = CreateFileA(err_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(err, INVALID_HANDLE_VALUE);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = err;
  startup.hStdOutput = err;
  PROCESS_INFORMATION process = {};
  std::wstring line = L"\"" + Widen(program) + L"\" search --work \"" + Widen(scratch.Path()) +
                      L"\" \xD55C\xAD6D\xC5B4";
  ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &startup, &process));
  CloseHandle(err);
  WaitForSingleObject(process.hProcess, 60000);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_EQ(status, static_cast<DWORD>(kExitUsage));
  EXPECT_NE(testing::ReadText(err_file).find("'U+D55C'"), std::string::npos);
}

}  // namespace
}  // namespace sorvik
