#include "tools/desktop_option.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "testing/desktop_test_support.h"

namespace sorvik {
namespace {

using testing::FakeHandlerClass;
using testing::TestRegistry;

constexpr char kClsidA[] = "{5E1F0A10-0000-4000-8000-00000000A001}";
constexpr char kClsidNoInit[] = "{5E1F0A10-0000-4000-8000-00000000A002}";
constexpr char kClsidInitFails[] = "{5E1F0A10-0000-4000-8000-00000000A003}";
constexpr char kClsidShortItems[] = "{5E1F0A10-0000-4000-8000-00000000A004}";
constexpr char kClsidChinese[] = "{5E1F0A10-0000-4000-8000-00000000A005}";
constexpr char kClsidNobody[] = "{5E1F0A10-0000-4000-8000-00000000A0FF}";
constexpr char kRecycleBin[] = "{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr char kMyComputer[] = "{20D04FE0-3AEA-1069-A2D8-08002B30309D}";

class DesktopOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }

  static std::vector<std::string> Texts(const DesktopRegistry& roots) {
    std::vector<std::string> texts;
    for (auto& option : AvailableDesktopOptions(roots)) texts.push_back(option->text());
    return texts;
  }
  static std::string Value(HKEY root, const std::string& path, const char* name,
                           DWORD* type = nullptr) {
    DWORD ignored = 0;
    std::string bytes;
    if (!TestRegistry::Read(root, path, name, type != nullptr ? type : &ignored, &bytes))
      return "(none)";
    return bytes;
  }
};

TEST_F(DesktopOptionsTest, NothingIsListedWhereNoKeyExists) {
  TestRegistry registry;
  EXPECT_TRUE(Texts(registry.roots).empty());
}

TEST_F(DesktopOptionsTest, ShortcutArrow) {
  TestRegistry registry;
  HKEY classes = registry.roots.classes;
  TestRegistry::SetValue(classes, "lnkfile", "IsShortcut", REG_SZ, std::string(1, '\0'));
  TestRegistry::SetValue(classes, "lnkfile", "Other", REG_SZ, "kept" + std::string(1, '\0'));
  ShortcutArrowOption arrow(registry.roots);
  ASSERT_TRUE(arrow.available());
  EXPECT_EQ(arrow.group(), kDesktopGroup);
  // The value present: the arrow shows, the option is off; on deletes the value.
  EXPECT_FALSE(arrow.isOn());
  arrow.apply(true);
  EXPECT_EQ(Value(classes, "lnkfile", "IsShortcut"), "(none)");
  EXPECT_TRUE(arrow.isOn());
  // Already absent: on again changes nothing.
  arrow.apply(true);
  EXPECT_EQ(Value(classes, "lnkfile", "IsShortcut"), "(none)");
  EXPECT_EQ(Value(classes, "lnkfile", "Other"), "kept" + std::string(1, '\0'));
  // Off writes an empty REG_SZ of no bytes.
  arrow.apply(false);
  DWORD type = 0;
  EXPECT_EQ(Value(classes, "lnkfile", "IsShortcut", &type), "");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_FALSE(arrow.isOn());
  // A value longer than the 20-byte buffer is still a value.
  TestRegistry::SetValue(classes, "lnkfile", "IsShortcut", REG_SZ, std::string(40, 'x'));
  EXPECT_FALSE(arrow.isOn());
}

TEST_F(DesktopOptionsTest, ShortcutText) {
  TestRegistry registry;
  HKEY user = registry.roots.user;
  HKEY machine = registry.roots.machine;
  const std::string added("\x1e\0\0\0", 4);
  const std::string zero(4, '\0');
  TestRegistry::SetValue(user, kExplorerKey, "Link", REG_BINARY, added);
  ShortcutTextOption text(registry.roots);
  ASSERT_TRUE(text.available());
  EXPECT_FALSE(text.isOn());
  // Off writes nothing.
  text.apply(false);
  EXPECT_EQ(Value(user, kExplorerKey, "Link"), added);
  // On writes zero under the user's key, and under the machine's only where that key exists.
  text.apply(true);
  DWORD type = 0;
  EXPECT_EQ(Value(user, kExplorerKey, "Link", &type), zero);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_TRUE(text.isOn());
  EXPECT_EQ(Value(machine, kExplorerKey, "Link"), "(none)");
  RegCloseKey(TestRegistry::Create(machine, kExplorerKey));
  text.apply(true);
  EXPECT_EQ(Value(machine, kExplorerKey, "Link"), zero);
}

TEST_F(DesktopOptionsTest, DesktopIconsOnlyWhereTheirValuesExist) {
  TestRegistry registry;
  HKEY user = registry.roots.user;
  RegCloseKey(TestRegistry::Create(registry.roots.classes, "lnkfile"));
  RegCloseKey(TestRegistry::Create(user, kDesktopIconsKey));
  // No value under "NewStartPanel": the two shortcut options only.
  EXPECT_EQ(Texts(registry.roots),
            (std::vector<std::string>{"消除快捷方式图标上的小箭头", "禁止添加“快捷方式”文字"}));
  TestRegistry::SetDword(user, kDesktopIconsKey, kMyComputer, 1);
  TestRegistry::SetDword(user, kDesktopIconsKey, kRecycleBin, 0);
  auto options = AvailableDesktopOptions(registry.roots);
  ASSERT_EQ(options.size(), 4u);
  EXPECT_EQ(options[2]->text(), "桌面显示“回收站”");
  EXPECT_EQ(options[3]->text(), "桌面显示“我的电脑”");
  EXPECT_EQ(options[3]->group(), kDesktopGroup);
  EXPECT_TRUE(options[2]->isOn());
  EXPECT_FALSE(options[3]->isOn());
  options[2]->apply(false);
  options[3]->apply(true);
  DWORD type = 0;
  EXPECT_EQ(Value(user, kDesktopIconsKey, kRecycleBin, &type), std::string("\1\0\0\0", 4));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(Value(user, kDesktopIconsKey, kMyComputer), std::string(4, '\0'));
}

TEST_F(DesktopOptionsTest, ContextMenuHandlersFromTheScan) {
  FakeHandlerClass good(kClsidA, {{"-", "x", "&Open here", "Second"}});
  FakeHandlerClass no_init(kClsidNoInit, {{"No init"}, false});
  FakeHandlerClass init_fails(kClsidInitFails, {{"Init fails"}, true, false});
  FakeHandlerClass short_items(kClsidShortItems, {{"", "y", "-"}});
  FakeHandlerClass chinese(kClsidChinese, {{"中", "文字"}});
  // "New" and "00nView" are left out in every letter case.
  const std::vector<std::pair<const char*, const char*>> hidden = {
      {"New", "00nView"}, {"nEW", "00NVIEW"}, {"new", "00nview"}};
  for (const auto& names : hidden) {
    TestRegistry registry;
    registry.SetHandler(names.first, kClsidA);
    registry.SetHandler(names.second, std::string("_") + kClsidA);
    registry.SetHandler("Alpha", std::string("_") + kClsidA);
    registry.SetHandler("Beta", kClsidA);
    registry.SetHandler("Gamma", kClsidNoInit);
    registry.SetHandler("Delta", kClsidInitFails);
    registry.SetHandler("Epsilon", kClsidShortItems);
    registry.SetHandler("Zeta", kClsidChinese);
    registry.SetHandler("Eta", kClsidNobody);
    registry.SetHandler("Theta", "not a class");
    RegCloseKey(TestRegistry::Create(registry.roots.classes,
                                     std::string(kContextMenuHandlersKey) + "\\Iota"));
    std::map<std::string, std::pair<std::string, std::string>> found;
    for (const ContextMenuHandler& handler : ScanContextMenuHandlers(registry.roots.classes))
      found[handler.key] = {handler.value, handler.menuText};
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"Alpha", {std::string("_") + kClsidA, "&Open here"}},
        {"Beta", {kClsidA, "&Open here"}},
        {"Zeta", {kClsidChinese, "文字"}},
    };
    EXPECT_EQ(found, expected) << names.first;
  }
}

TEST_F(DesktopOptionsTest, ContextMenuOptionMovesTheUnderscore) {
  FakeHandlerClass good(kClsidA, {{"&Open here"}});
  TestRegistry registry;
  const std::string off = std::string("_") + kClsidA;
  registry.SetHandler("Alpha", off);
  registry.SetHandler("Beta", kClsidA);
  auto options = AvailableDesktopOptions(registry.roots);
  ASSERT_EQ(options.size(), 2u);
  DesktopOption& alpha = *options[0];
  DesktopOption& beta = *options[1];
  EXPECT_EQ(alpha.text(), "桌面右键显示“&Open here”");
  EXPECT_EQ(alpha.group(), kContextMenuGroup);
  EXPECT_FALSE(alpha.isOn());
  EXPECT_TRUE(beta.isOn());
  // Ticking a switched-off handler stores its CLSID without the "_".
  alpha.apply(true);
  EXPECT_EQ(registry.HandlerValue("Alpha"), kClsidA);
  // Clearing puts one "_" before it; clearing again adds no second one.
  beta.apply(false);
  EXPECT_EQ(registry.HandlerValue("Beta"), off);
  beta.apply(false);
  EXPECT_EQ(registry.HandlerValue("Beta"), off);
}

}  // namespace
}  // namespace sorvik
