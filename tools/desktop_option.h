// The desktop tweaks: Explorer customisations that are plain registry switches. Each option
// knows whether it applies on this machine, its list texts, its current state and how to write
// a new one.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace sorvik {

// The registry roots the options read and write. The program uses the system's; tests give
// keys of their own that stand for them.
struct DesktopRegistry {
  HKEY classes = HKEY_CLASSES_ROOT;
  HKEY user = HKEY_CURRENT_USER;
  HKEY machine = HKEY_LOCAL_MACHINE;
};

constexpr char kDesktopGroup[] = "桌面设置 - 设置后立刻生效";
constexpr char kContextMenuGroup[] = "桌面右键 - 设置后立刻生效";
constexpr char kExplorerKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr char kDesktopIconsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
constexpr char kContextMenuHandlersKey[] = "Directory\\Background\\shellex\\ContextMenuHandlers";

class DesktopOption {
 public:
  virtual ~DesktopOption() = default;
  // Whether the option applies on this machine; unavailable options are not listed.
  virtual bool available() = 0;
  // Column 0 of the list.
  virtual std::string text() = 0;
  // Column 1 of the list.
  virtual std::string group() = 0;
  // The current state, read from the registry.
  virtual bool isOn() = 0;
  // Writes the state `on`. Failures are ignored.
  virtual void apply(bool on) = 0;

 protected:
  explicit DesktopOption(const DesktopRegistry& registry) : registry_(registry) {}

  DesktopRegistry registry_;  // where the option reads and writes
};

// The options of the desktop group: the shortcut switches and the desktop icons.
class DesktopSettingOption : public DesktopOption {
 public:
  std::string group() override { return kDesktopGroup; }

 protected:
  using DesktopOption::DesktopOption;
};

// "消除快捷方式图标上的小箭头": the "IsShortcut" value of the shortcut file type.
class ShortcutArrowOption : public DesktopSettingOption {
 public:
  explicit ShortcutArrowOption(const DesktopRegistry& registry) : DesktopSettingOption(registry) {}
  bool available() override;
  std::string text() override;
  bool isOn() override;
  void apply(bool on) override;
};

// "禁止添加“快捷方式”文字": Explorer's "Link" value.
class ShortcutTextOption : public DesktopSettingOption {
 public:
  explicit ShortcutTextOption(const DesktopRegistry& registry) : DesktopSettingOption(registry) {}
  bool available() override;
  std::string text() override;
  bool isOn() override;
  void apply(bool on) override;
};

// One of the five standard desktop icons, shown while its value under "NewStartPanel" is 0.
class DesktopIconOption : public DesktopSettingOption {
 public:
  // `title`: the icon's name in the list text.
  DesktopIconOption(const DesktopRegistry& registry, const char* clsid, const char* title)
      : DesktopSettingOption(registry), clsid_(clsid), title_(title) {}
  bool available() override;
  std::string text() override;
  bool isOn() override;
  void apply(bool on) override;
  // The CLSID text used as the registry value name.
  std::string valueName() const { return clsid_; }

 private:
  std::string clsid_;  // the icon's CLSID in braces
  std::string title_;  // the icon's name in the list text
};

// One handler of the desktop's context menu; switched off by a "_" before its CLSID.
struct ContextMenuHandler {
  std::string key;       // the handler's subkey name
  std::string value;     // its default value as stored: a CLSID, perhaps after a "_"
  std::string menuText;  // the text of the handler's first menu item longer than one character
};

class ContextMenuOption : public DesktopOption {
 public:
  ContextMenuOption(const DesktopRegistry& registry, ContextMenuHandler handler)
      : DesktopOption(registry), handler_(std::move(handler)) {}
  bool available() override { return true; }
  std::string text() override;
  std::string group() override { return kContextMenuGroup; }
  bool isOn() override;
  void apply(bool on) override;

 private:
  ContextMenuHandler handler_;  // the handler as the scan found it, with the value last stored
};

// The handlers under "Directory\Background\shellex\ContextMenuHandlers" of `classes` that are
// not "New" or "00nView" (in any letter case), whose value reads, and whose object can be
// created and gives a menu text. REQUIRES: COM initialised on this thread.
std::vector<ContextMenuHandler> ScanContextMenuHandlers(HKEY classes);

// The menu text of the context-menu handler with CLSID `clsid` (text in braces), or empty when
// its object cannot be created, initialised for the desktop or asked for its menu.
std::string HandlerMenuText(const std::string& clsid);

// Every available option, in list order: the shortcut arrow, the shortcut text, the five
// desktop icons, then the context-menu handlers.
std::vector<std::unique_ptr<DesktopOption>> AvailableDesktopOptions(
    const DesktopRegistry& registry);

}  // namespace sorvik
