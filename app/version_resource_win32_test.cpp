// The built executables carry the version and names of sorvik_version.h and a manifest that runs
// them as the invoking user; the program's own manifest asks for common controls 6. Every one may
// use the 4 GiB address space a 32-bit process has on 64-bit Windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "sorvik_version.h"

namespace sorvik {
namespace {

struct Executable {
  const char* path;       // below the build folder
  const char* file_name;  // its OriginalFilename
  bool common_controls_6;
};

// The build folder as a Wine path (Z: is the Linux root).
std::string BuiltFile(const char* relative) {
  std::string path = std::string("Z:") + SORVIK_TEST_BINARY_DIR + "/" + relative;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  std::string key = std::string("\\StringFileInfo\\080404b0\\") + name;
  char* value = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &size)) {
    return "(missing)";
  }
  return std::string(value);
}

std::string Manifest(const std::string& path) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return "";
  std::string text;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (found != nullptr) {
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (data != nullptr) text.assign(data, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

// Whether the PE header lets the executable use addresses above 2 GiB.
bool LargeAddressAware(const std::string& path) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  IMAGE_DOS_HEADER dos{};
  IMAGE_NT_HEADERS32 nt{};
  DWORD got = 0;
  bool read = ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
              SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ReadFile(file, &nt, sizeof nt, &got, nullptr) && got == sizeof nt;
  CloseHandle(file);
  return read && nt.Signature == IMAGE_NT_SIGNATURE &&
         (nt.FileHeader.Characteristics & IMAGE_FILE_LARGE_ADDRESS_AWARE) != 0;
}

TEST(VersionResourceTest, EveryExecutableCarriesVersionNamesAndManifest) {
  const Executable executables[] = {{"Sorvik.exe", "Sorvik.exe", true},
                                    {"cli/sorvik-cli.exe", "sorvik-cli.exe", false},
                                    {"LiveUpdate.exe", "LiveUpdate.exe", false},
                                    {"update/LiveUpdate.exe", "LiveUpdate.exe", false}};
  for (const Executable& exe : executables) {
    SCOPED_TRACE(exe.path);
    const std::string path = BuiltFile(exe.path);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      ASSERT_STRNE(exe.file_name, "Sorvik.exe") << "the program was not built";
      continue;  // the updater is built only where its folder exists
    }
    DWORD handle = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, block.size(), block.data()));
    EXPECT_EQ(VersionString(block, "ProductName"), SORVIK_PRODUCT_NAME);
    EXPECT_EQ(VersionString(block, "CompanyName"), SORVIK_COMPANY_NAME);
    EXPECT_EQ(VersionString(block, "ProductVersion"), SORVIK_VERSION_TEXT);
    EXPECT_EQ(VersionString(block, "FileVersion"), SORVIK_VERSION_TEXT);
    EXPECT_EQ(VersionString(block, "OriginalFilename"), exe.file_name);

    // The numeric version agrees with the text.
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    const std::string numeric = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                std::to_string(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(numeric, SORVIK_VERSION_TEXT);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);

    const std::string manifest = Manifest(path);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls") != std::string::npos,
              exe.common_controls_6)
        << manifest;
    EXPECT_TRUE(LargeAddressAware(path)) << "limited to 2 GiB of address space";
  }
}

}  // namespace
}  // namespace sorvik
