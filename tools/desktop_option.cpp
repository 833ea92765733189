#include "tools/desktop_option.h"

#include <shlobj.h>

#include <cstring>

#include "text/coding.h"
#include "text/gbk_text.h"

namespace sorvik {
namespace {

constexpr char kShortcutFileKey[] = "lnkfile";
constexpr char kIsShortcutValue[] = "IsShortcut";
constexpr DWORD kIsShortcutBuffer = 20;
constexpr char kLinkValue[] = "Link";
constexpr DWORD kHandlerValueBuffer = 100;
constexpr UINT kFirstMenuCommand = 1;
constexpr UINT kLastMenuCommand = 0x7FFF;
constexpr int kMenuTextBuffer = 260;

// A registry key opened for the life of the object; Valid() is false when it did not open.
class RegistryKey {
 public:
  RegistryKey(HKEY root, const char* path, REGSAM access) {
    if (RegOpenKeyExA(root, path, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  bool Valid() const { return key_ != nullptr; }
  HKEY Handle() const { return key_; }
  // Reads value `name` into `buffer` of `*size` bytes; the system's result.
  LONG Read(const char* name, void* buffer, DWORD* size) const {
    if (key_ == nullptr) return ERROR_INVALID_HANDLE;
    return RegQueryValueExA(key_, name, nullptr, nullptr, static_cast<BYTE*>(buffer), size);
  }
  void Write(const char* name, DWORD type, const void* data, DWORD size) const {
    if (key_ != nullptr) RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size);
  }

 private:
  HKEY key_ = nullptr;
};

bool KeyOpens(HKEY root, const char* path) { return RegistryKey(root, path, KEY_READ).Valid(); }

// Reads a value of up to four bytes as a little-endian number; false when it cannot be read.
bool ReadSmallNumber(HKEY root, const char* path, const char* name, DWORD* number) {
  BYTE bytes[4] = {0};
  DWORD size = sizeof bytes;
  if (RegistryKey(root, path, KEY_READ).Read(name, bytes, &size) != ERROR_SUCCESS) return false;
  *number = DecodeFixed32(bytes);
  return true;
}

// Counts characters, a double-byte character as one.
size_t CharacterCount(const char* text) {
  size_t count = 0;
  for (const char* at = text; *at != '\0'; ++count) at += GbkCharLength(at);
  return count;
}

std::string WithoutLeadingUnderscore(const std::string& value) {
  return !value.empty() && value[0] == '_' ? value.substr(1) : value;
}

bool IsHiddenHandlerKey(const char* name) {
  return lstrcmpiA(name, "New") == 0 || lstrcmpiA(name, "00nView") == 0;
}

// The text of the first item of `menu`, by position, longer than one character.
std::string FirstLongItemText(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position) {
    char text[kMenuTextBuffer] = {0};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    if (CharacterCount(text) > 1) return text;
  }
  return "";
}

// Lets an initialised handler fill a new pop-up menu and takes its text.
std::string AskMenuText(IContextMenu* handler) {
  HMENU popup = CreatePopupMenu();
  if (popup == nullptr) return "";
  std::string text;
  if (SUCCEEDED(
          handler->QueryContextMenu(popup, 0, kFirstMenuCommand, kLastMenuCommand, CMF_NORMAL)))
    text = FirstLongItemText(popup);
  DestroyMenu(popup);
  return text;
}

// Initialises the handler for the desktop folder, without a data object.
bool InitialiseForDesktop(IContextMenu* handler) {
  IShellExtInit* init = nullptr;
  if (FAILED(handler->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init))))
    return false;
  LPITEMIDLIST desktop = nullptr;
  bool ok = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)) &&
            SUCCEEDED(init->Initialize(desktop, nullptr, nullptr));
  if (desktop != nullptr) CoTaskMemFree(desktop);
  init->Release();
  return ok;
}

struct DesktopIcon {
  const char* clsid;
  const char* title;
};
constexpr DesktopIcon kDesktopIcons[] = {
    {"{645FF040-5081-101B-9F08-00AA002F954E}", "回收站"},
    {"{208D2C60-3AEA-1069-A2D7-08002B30309D}", "网络邻居"},
    {"{450D8FBA-AD25-11D0-98A8-0800361B1103}", "我的文档"},
    {"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", "我的电脑"},
    {"{871C5380-42A0-1069-A2EA-08002B30309D}", "Internet Explorer"},
};

}  // namespace

bool ShortcutArrowOption::available() { return KeyOpens(registry_.classes, kShortcutFileKey); }

std::string ShortcutArrowOption::text() { return "消除快捷方式图标上的小箭头"; }

bool ShortcutArrowOption::isOn() {
  char buffer[kIsShortcutBuffer] = {0};
  DWORD size = sizeof buffer;
  const LONG result = RegistryKey(registry_.classes, kShortcutFileKey, KEY_READ)
                          .Read(kIsShortcutValue, buffer, &size);
  // A value too long for the buffer is still there, and so is the arrow.
  return result != ERROR_SUCCESS && result != ERROR_MORE_DATA;
}

void ShortcutArrowOption::apply(bool on) {
  RegistryKey key(registry_.classes, kShortcutFileKey, KEY_SET_VALUE);
  if (!key.Valid()) return;
  if (on)
    RegDeleteValueA(key.Handle(), kIsShortcutValue);
  else
    key.Write(kIsShortcutValue, REG_SZ, "", 0);
}

bool ShortcutTextOption::available() { return KeyOpens(registry_.user, kExplorerKey); }

std::string ShortcutTextOption::text() { return "禁止添加“快捷方式”文字"; }

bool ShortcutTextOption::isOn() {
  DWORD link = 0;
  return ReadSmallNumber(registry_.user, kExplorerKey, kLinkValue, &link) && link == 0;
}

void ShortcutTextOption::apply(bool on) {
  // Clearing the option writes nothing: the text Explorer added before is not known.
  if (!on) return;
  const BYTE zero[4] = {0, 0, 0, 0};
  RegistryKey(registry_.user, kExplorerKey, KEY_SET_VALUE)
      .Write(kLinkValue, REG_BINARY, zero, sizeof zero);
  RegistryKey(registry_.machine, kExplorerKey, KEY_SET_VALUE)
      .Write(kLinkValue, REG_BINARY, zero, sizeof zero);
}

bool DesktopIconOption::available() {
  return RegistryKey(registry_.user, kDesktopIconsKey, KEY_READ)
             .Read(clsid_.c_str(), nullptr, nullptr) == ERROR_SUCCESS;
}

std::string DesktopIconOption::text() { return "桌面显示“" + title_ + "”"; }

bool DesktopIconOption::isOn() {
  DWORD hidden = 0;
  return ReadSmallNumber(registry_.user, kDesktopIconsKey, clsid_.c_str(), &hidden) && hidden == 0;
}

void DesktopIconOption::apply(bool on) {
  const DWORD hidden = on ? 0 : 1;
  RegistryKey(registry_.user, kDesktopIconsKey, KEY_SET_VALUE)
      .Write(clsid_.c_str(), REG_DWORD, &hidden, sizeof hidden);
}

std::string ContextMenuOption::text() { return "桌面右键显示“" + handler_.menuText + "”"; }

bool ContextMenuOption::isOn() { return handler_.value.empty() || handler_.value[0] != '_'; }

void ContextMenuOption::apply(bool on) {
  std::string stored = WithoutLeadingUnderscore(handler_.value);
  if (!on) stored = "_" + stored;
  RegistryKey handlers(registry_.classes, kContextMenuHandlersKey,
                       KEY_SET_VALUE | KEY_CREATE_SUB_KEY);
  if (!handlers.Valid()) return;
  if (RegSetValueA(handlers.Handle(), handler_.key.c_str(), REG_SZ, stored.c_str(),
                   static_cast<DWORD>(stored.size())) == ERROR_SUCCESS)
    handler_.value = stored;
}

std::string HandlerMenuText(const std::string& clsid) {
  wchar_t wide[kHandlerValueBuffer] = {0};
  if (MultiByteToWideChar(CP_ACP, 0, clsid.c_str(), -1, wide, kHandlerValueBuffer) == 0) return "";
  CLSID id;
  if (FAILED(CLSIDFromString(wide, &id))) return "";
  IContextMenu* handler = nullptr;
  if (FAILED(CoCreateInstance(
          id, nullptr,
          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
          IID_IContextMenu, reinterpret_cast<void**>(&handler))))
    return "";
  std::string text = InitialiseForDesktop(handler) ? AskMenuText(handler) : "";
  handler->Release();
  return text;
}

std::vector<ContextMenuHandler> ScanContextMenuHandlers(HKEY classes) {
  std::vector<ContextMenuHandler> found;
  RegistryKey handlers(classes, kContextMenuHandlersKey, KEY_READ);
  DWORD count = 0;
  DWORD longest = 0;
  if (!handlers.Valid() ||
      RegQueryInfoKeyA(handlers.Handle(), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return found;
  std::vector<char> name((longest + 1) * 2);  // the length counts characters, not bytes
  for (DWORD index = 0; index < count; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(handlers.Handle(), index, name.data(), &length, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS ||
        IsHiddenHandlerKey(name.data()))
      continue;
    char value[kHandlerValueBuffer] = {0};
    LONG size = sizeof value;
    if (RegQueryValueA(handlers.Handle(), name.data(), value, &size) != ERROR_SUCCESS) continue;
    ContextMenuHandler handler;
    handler.key = name.data();
    handler.value.assign(value, strnlen(value, sizeof value));
    handler.menuText = HandlerMenuText(WithoutLeadingUnderscore(handler.value));
    if (!handler.menuText.empty()) found.push_back(std::move(handler));
  }
  return found;
}

std::vector<std::unique_ptr<DesktopOption>> AvailableDesktopOptions(
    const DesktopRegistry& registry) {
  std::vector<std::unique_ptr<DesktopOption>> options;
  options.push_back(std::make_unique<ShortcutArrowOption>(registry));
  options.push_back(std::make_unique<ShortcutTextOption>(registry));
  for (const DesktopIcon& icon : kDesktopIcons)
    options.push_back(std::make_unique<DesktopIconOption>(registry, icon.clsid, icon.title));
  for (ContextMenuHandler& handler : ScanContextMenuHandlers(registry.classes))
    options.push_back(std::make_unique<ContextMenuOption>(registry, std::move(handler)));
  std::vector<std::unique_ptr<DesktopOption>> listed;
  for (auto& option : options)
    if (option->available()) listed.push_back(std::move(option));
  return listed;
}

}  // namespace sorvik
